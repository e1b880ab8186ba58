// Spiral sweeps (101, 102), zooms (103 to 114), fades (115, 116), fade unfolds (117 to 120).
//
// FIXME: not drawn yet: these effects end at once and the engine's closing copy shows the new
// picture.

#include "transitions/Families.h"

namespace vorlandite::transitions {

void RunSpiralFamily(TTransThread&, int) {}
void RunZoomFamily(TTransThread&, int) {}
void RunFadeFamily(TTransThread&, int) {}
void RunFadeUnfoldFamily(TTransThread&, int) {}

} // namespace vorlandite::transitions
