#pragma once
#include "gpssample.h"

#include <string>

// What a reader of decoded samples found (a further layout, a side file).
struct LayoutRead
{
    DecodedTrack track;  // samples, accelerometer readings and whose clock they carry
    std::string variant; // how the layout stored them, in words, for the probe
    // When the layout was recognised but gave no usable track: why ("... found, but its text is
    // masked in a way not yet known"). Empty on success.
    std::string problem;
};
