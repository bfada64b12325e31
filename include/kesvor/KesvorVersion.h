#pragma once

#include "kesvor/KesvorGlobal.h"

extern "C" {

/// The SDK's version number: 1.0.
KESVOR_EXPORT extern const double KesvorVersionNumber;

/// "@(#)PROGRAM:Kesvor  PROJECT:Kesvor-1" followed by a newline.
KESVOR_EXPORT extern const unsigned char KesvorVersionString[];
}
