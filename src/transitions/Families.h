#pragma once
// The entry points of the effect families, one per family; EffectCatalog.cpp maps the effect
// numbers onto them. Each runs on the worker inside the run procedure and receives the
// sub-index of the effect within its family:
//
//   effects   1 to  22  RunSlideFamily           sub-index = effect           (SlideFamily.cpp)
//   effects  23 to  64  RunUnfoldFamily          sub-index = effect - 22      (UnfoldFamily.cpp)
//   effects  65 to  68  RunLineDropFamily        sub-index = effect - 64      (LineDropFamily.cpp)
//   effect   69         RunBoxOut                sub-index = 1                (BoxEllipseFamily.cpp)
//   effect   70         RunBoxIn                 sub-index = 1                (BoxEllipseFamily.cpp)
//   effects  71 to  76  RunEllipseFamily         sub-index = effect - 70      (BoxEllipseFamily.cpp)
//   effects  77 to  95  RunTriangleFamily        sub-index = effect - 76      (PatternWipes.cpp)
//   effects  96 to 100  RunRandomPiecesFamily    sub-index = effect - 95      (PatternWipes.cpp)
//   effects 101 to 102  RunSpiralFamily          sub-index = effect - 100     (SweepZoomFade.cpp)
//   effects 103 to 114  RunZoomFamily            sub-index = effect - 102     (SweepZoomFade.cpp)
//   effects 115 to 116  RunFadeFamily            sub-index = effect - 114     (SweepZoomFade.cpp)
//   effects 117 to 120  RunFadeUnfoldFamily      sub-index = effect - 116     (SweepZoomFade.cpp)
//
// A family may rely on W >= 1, H >= 1 and N >= 1 (thread.Width(), Height(), Steps()); it must
// end by its own end condition or when thread.Aborted() is found set, checked at least once per
// frame. It frees what it allocated also when it ends early, and presents only through the
// thread. The engine draws the closing full copy of the new picture afterwards.

#include "transitions/TTransThread.h"

namespace vorlandite::transitions {

void RunSlideFamily(TTransThread& thread, int subIndex);
void RunUnfoldFamily(TTransThread& thread, int subIndex);
void RunLineDropFamily(TTransThread& thread, int subIndex);
void RunBoxOut(TTransThread& thread, int subIndex);
void RunBoxIn(TTransThread& thread, int subIndex);
void RunEllipseFamily(TTransThread& thread, int subIndex);
void RunTriangleFamily(TTransThread& thread, int subIndex);
void RunRandomPiecesFamily(TTransThread& thread, int subIndex);
void RunSpiralFamily(TTransThread& thread, int subIndex);
void RunZoomFamily(TTransThread& thread, int subIndex);
void RunFadeFamily(TTransThread& thread, int subIndex);
void RunFadeUnfoldFamily(TTransThread& thread, int subIndex);

} // namespace vorlandite::transitions
