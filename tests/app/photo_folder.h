#pragma once
#include <QDir>
#include <QFile>
#include <QString>
#include <string>
#include <vector>

#include "fixture_writer.h"
#include "tests/support/test_files.h"

// Photos for the window's tests, written into a folder of the test's choice.
namespace photo_folder {

// A small mosaic DNG of the given camera with a 32 x 24 uncompressed preview,
// or without any preview.
inline QString WriteDng(const QString& folder, const QString& name, const std::string& model,
                        bool withPreview = true) {
    FixtureOptions options;
    options.model = model;
    options.width = 64;
    options.height = 48;
    options.bits = 14;
    options.samples = PatternSamples(options.width, options.height, 1, options.bits, 7);
    options.whiteLevel = {(1u << 14) - 1};
    FixturePreview preview;
    preview.width = 32;
    preview.height = 24;
    if (withPreview)
        options.previews.push_back(preview);
    const QString path = QDir(folder).filePath(name);
    test_support::WriteFileBytes(path.toStdString(), WriteFixtureDNG(options));
    return path;
}

// A copy of one of the shared real JPEGs.
inline QString CopyJpeg(const QString& folder, const QString& name, const char* testPhoto) {
    const QString path = QDir(folder).filePath(name);
    QFile::remove(path);
    QFile::copy(QString::fromStdString(test_support::TestData(std::string("jpeg/") + testPhoto)), path);
    return path;
}

// An empty file: enough for the list, which only looks at names.
inline QString Touch(const QString& folder, const QString& name) {
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    return path;
}

}  // namespace photo_folder
