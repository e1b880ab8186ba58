// Triangle wipes (effects 77 to 95) and random pieces (effects 96 to 100).
//
// FIXME: not drawn yet: these effects end at once and the engine's closing copy shows the new
// picture.

#include "transitions/Families.h"

namespace vorlandite::transitions {

void RunTriangleFamily(TTransThread&, int) {}
void RunRandomPiecesFamily(TTransThread&, int) {}

} // namespace vorlandite::transitions
