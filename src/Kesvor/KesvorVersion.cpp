#include "kesvor/KesvorVersion.h"

extern "C" {

const double KesvorVersionNumber = 1.0;

// "what"-style identification string, as tools like what(1) expect.
const unsigned char KesvorVersionString[] = "@(#)PROGRAM:Kesvor  PROJECT:Kesvor-1\n";
}
