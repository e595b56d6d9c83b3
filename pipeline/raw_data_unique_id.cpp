#include "pipeline/raw_data_unique_id.h"

#include <QUuid>

namespace pipeline {

dng_fingerprint NewRawDataUniqueID() {
    // The ID holds text bytes, not the UUID's binary value.
    const QByteArray text = QUuid::createUuid().toByteArray(QUuid::WithoutBraces).toLower();
    dng_fingerprint id;
    for (int i = 0; i < 16; ++i) id.data[i] = uint8(text.at(i));
    return id;
}

}  // namespace pipeline
