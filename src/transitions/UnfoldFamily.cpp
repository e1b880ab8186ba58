// Unfold and line bands (effects 23 to 64).
//
// FIXME: not drawn yet: these effects end at once and the engine's closing copy shows the new
// picture.

#include "transitions/Families.h"

namespace vorlandite::transitions {

void RunUnfoldFamily(TTransThread&, int) {}

} // namespace vorlandite::transitions
