// Line drop (effects 65 to 68).
//
// FIXME: not drawn yet: these effects end at once and the engine's closing copy shows the new
// picture.

#include "transitions/Families.h"

namespace vorlandite::transitions {

void RunLineDropFamily(TTransThread&, int) {}

} // namespace vorlandite::transitions
