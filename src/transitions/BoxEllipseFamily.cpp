// Box out and box in (effects 69 and 70) and the ellipse regions (effects 71 to 76).
//
// FIXME: not drawn yet: these effects end at once and the engine's closing copy shows the new
// picture.

#include "transitions/Families.h"

namespace vorlandite::transitions {

void RunBoxOut(TTransThread&, int) {}
void RunBoxIn(TTransThread&, int) {}
void RunEllipseFamily(TTransThread&, int) {}

} // namespace vorlandite::transitions
