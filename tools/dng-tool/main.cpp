// Developer tool: prints what the DNG layer reads from a file and dumps its stage images.
#include <cstdio>
#include <cstring>
#include <string>

#include "dng/dng_exceptions.h"
#include "netpbm.h"
#include "open_negative.h"
#include "render_write_commands.h"

namespace {

constexpr int kRefused = 2;

std::string Number(real64 x) {
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", x);
    return text;
}

std::string Rational(const dng_urational& r) { return Number(r.As_real64()); }

void Print(const char* key, const std::string& value) { std::printf("%s: %s\n", key, value.c_str()); }

std::string OpcodeSummary(const dng_opcode_list& list) {
    if (list.IsEmpty()) return "0";
    return std::to_string(list.Count()) + " " + std::to_string(list.Entry(0).OpcodeID());
}

void PrintInfo(const dng_info& info, const dng_negative& negative) {
    const dng_ifd& ifd = *info.fIFD[info.fMainIndex];
    const dng_linearization_info& lin = *negative.GetLinearizationInfo();
    Print("model", negative.ModelName());
    Print("colour_channels", std::to_string(negative.ColorChannels()));
    Print("raw_bits_per_sample", std::to_string(ifd.fBitsPerSample[0]));
    Print("raw_compression", std::to_string(ifd.fCompression));
    Print("stage1_width", std::to_string(ifd.fImageWidth));
    Print("stage1_height", std::to_string(ifd.fImageLength));
    const dng_rect a = lin.fActiveArea;
    Print("active_area", std::to_string(a.t) + " " + std::to_string(a.l) + " " + std::to_string(a.b) + " " +
                             std::to_string(a.r));
    Print("default_crop", Rational(negative.DefaultCropOriginH()) + " " + Rational(negative.DefaultCropOriginV()) +
                              " " + Rational(negative.DefaultCropSizeH()) + " " +
                              Rational(negative.DefaultCropSizeV()));
    Print("default_scale", Rational(negative.DefaultScaleH()) + " " + Rational(negative.DefaultScaleV()));
    const dng_mosaic_info* mosaic = negative.GetMosaicInfo();
    std::string cfa = "none";
    if (mosaic && mosaic->IsColorFilterArray()) {
        cfa.clear();
        for (int32 r = 0; r < mosaic->fCFAPatternSize.v; ++r)
            for (int32 c = 0; c < mosaic->fCFAPatternSize.h; ++c) cfa += std::to_string(mosaic->fCFAPattern[r][c]);
    }
    Print("cfa_pattern", cfa);
    std::string black;
    for (uint32 r = 0; r < lin.fBlackLevelRepeatRows; ++r)
        for (uint32 c = 0; c < lin.fBlackLevelRepeatCols; ++c)
            for (uint32 p = 0; p < ifd.fSamplesPerPixel; ++p)
                black += (black.empty() ? "" : " ") + Number(lin.fBlackLevel[r][c][p]);
    Print("black_level", black);
    std::string white;
    for (uint32 p = 0; p < ifd.fSamplesPerPixel; ++p) white += (p ? " " : "") + Number(lin.fWhiteLevel[p]);
    Print("white_level", white);
    Print("bayer_green_split", std::to_string(mosaic ? mosaic->fBayerGreenSplit : 0));
    Print("linearization_table_entries", std::to_string(lin.fLinearizationTable.size()));
    Print("opcode_list_1", OpcodeSummary(negative.OpcodeList1()));
    Print("opcode_list_2", OpcodeSummary(negative.OpcodeList2()));
    Print("opcode_list_3", OpcodeSummary(negative.OpcodeList3()));
    std::string neutral = negative.HasCameraNeutral() ? "" : "none";
    for (uint32 i = 0; i < negative.CameraNeutral().Count(); ++i)
        neutral += (i ? " " : "") + Number(negative.CameraNeutral()[i]);
    Print("as_shot_neutral", neutral);
    uint32 previews = 0;
    for (const auto& dir : info.fIFD)
        if (dir->fNewSubFileType == sfPreviewImage || dir->fNewSubFileType == sfAltPreviewImage) ++previews;
    Print("previews", std::to_string(previews));
}

int Usage() {
    std::fprintf(stderr,
                 "usage: dng-tool info FILE\n"
                 "       dng-tool raw FILE OUT.pgm\n"
                 "       dng-tool stage2 FILE OUT.pgm\n"
                 "       dng-tool stage3 FILE OUT.ppm\n"
                 "       dng-tool render FILE OUT.ppm [--space srgb|adobergb|colormatch|prophoto] [--max-size N]\n"
                 "       dng-tool write FILE OUT.dng\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string command = argv[1];
    if (command == "render") return RunRenderCommand(argc, argv);
    if (command == "write") return RunWriteCommand(argc, argv);
    const bool dumps = command == "raw" || command == "stage2" || command == "stage3";
    if (!(command == "info" || (dumps && argc == 4)) || (command == "info" && argc != 3)) return Usage();
    try {
        dng_host host;
        OpenedNegative opened;
        OpenNegative(host, argv[2], opened, command != "info");
        dng_negative* negative = opened.negative.get();
        if (command == "info") {
            PrintInfo(opened.info, *negative);
            return 0;
        }
        const dng_image* image = negative->Stage1Image();
        if (command != "raw") {
            negative->BuildStage2Image(host, ttShort);
            image = negative->Stage2Image();
        }
        if (command == "stage3") {
            negative->BuildStage3Image(host, -1);
            image = negative->Stage3Image();
        }
        if (!WriteNetpbm16(*image, argv[3], command == "stage3")) {
            std::fprintf(stderr, "cannot write %s\n", argv[3]);
            return 1;
        }
        return 0;
    } catch (const dng_exception& e) {
        std::fprintf(stderr, "refused: %s (error %d)\n", e.what(), static_cast<int>(e.ErrorCode()));
        return kRefused;
    }
}
