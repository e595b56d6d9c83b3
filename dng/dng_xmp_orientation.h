#pragma once
#include <vector>

#include "dng/dng_types.h"

// The XMP packet with every tiff:Orientation value (attribute or element form) set to
// `orientation` (1..8). Everything else is passed through byte for byte; a packet without
// the property is returned unchanged, as no XMP toolkit is at hand to add one safely.
std::vector<uint8> XMPWithOrientation(const std::vector<uint8>& xmp, uint32 orientation);
