#pragma once

// Everything is hidden unless marked: only what a host calls is exported.
#define ORV_EXPORT __attribute__((visibility("default")))
