#pragma once

// How long a video runs, read from its own bytes without decoding: the movie header of an
// MP4/MOV file, or the span of the presentation times of a transport stream. Below 0 when the
// file does not say (damaged, or neither kind).
double videoDurationSeconds(const char *path);
