#pragma once
#include "dng/dng_fingerprint.h"

namespace pipeline {

// A fresh raw-data unique ID: the first 16 characters of a new UUID's lower-case
// text form (8 hex digits, "-", 4 hex digits, "-", 2 hex digits) as its bytes.
dng_fingerprint NewRawDataUniqueID();

}  // namespace pipeline
