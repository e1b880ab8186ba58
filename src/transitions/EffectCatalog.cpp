#include "transitions/EffectCatalog.h"

#include "transitions/Families.h"

#include <array>

namespace vorlandite::transitions {
namespace {

// Effect i + 1 at index i, as the effect list shows them. "Box Out" and "Box In" are named in the
// pattern of the others.
constexpr std::array<std::string_view, kEffectCount> kEffectNames = {
    "Slide From Up Left",  // 1
    "Slide From Up Right",  // 2
    "Slide From Bottom Right",  // 3
    "Slide From Bottom Left",  // 4
    "Slide From Left",  // 5
    "Slide From Right",  // 6
    "Slide From Bottom",  // 7
    "Slide From Up",  // 8
    "Door Close",  // 9
    "Door Open",  // 10
    "Close From Corners",  // 11
    "Iris Close",  // 12
    "Sliding Jaws Vertical",  // 13
    "Falling Columns",  // 14
    "Sliding Jaws Horizontal",  // 15
    "Sliding Columns",  // 16
    "Vertical Two Part Slide",  // 17
    "Horizontal Two Part Slide",  // 18
    "Sliding Columns From Sides",  // 19
    "Sliding Columns From Up & Bottom",  // 20
    "Blinds Slide Right",  // 21
    "Blinds Slide Left",  // 22
    "Unfold From Left",  // 23
    "Unfold From Right",  // 24
    "Unfold From Up",  // 25
    "Unfold From Bottom",  // 26
    "Unfold From Up Left",  // 27
    "Unfold From Up Right",  // 28
    "Unfold From Bottom Right",  // 29
    "Unfold From Bottom Left",  // 30
    "Unfold From Both Sides",  // 31
    "Unfold From Middle To Sides",  // 32
    "Unfold From All Corners",  // 33
    "Unfolding Iris",  // 34
    "Unfolding Vertical Jaws",  // 35
    "Unfolding Falling Columns",  // 36
    "Unfolding Horizontal Jaws",  // 37
    "Unfolding Horizontal Columns",  // 38
    "Vertical Two Part Unfold",  // 39
    "Horizontal Two Part Unfold",  // 40
    "Unfolding Columns Horizontally",  // 41
    "Unfolding Columns Vertically",  // 42
    "Vertical Lines From Sides",  // 43
    "Horizontal Lines From Up & Bottom",  // 44
    "Vertical Lines From Left & Back",  // 45
    "Horizontal Lines From Up & Back",  // 46
    "Horizontal Lines From Left",  // 47
    "Horizontal Lines From Right",  // 48
    "Horizontal Lines From Left & Back",  // 49
    "Horizontal Lines From Right & Back",  // 50
    "Horizontal Lines From Both Sides",  // 51
    "Vertical Lines From Up",  // 52
    "Vertical Lines From Bottom",  // 53
    "Vertical Lines From Up & Back",  // 54
    "Vertical Lines From Bottom & Back",  // 55
    "Vertical Lines From Up & Bottom",  // 56
    "Cross Lines From Bottom Left",  // 57
    "Cross Lines From Up Left",  // 58
    "Cross Lines From Bottom Right",  // 59
    "Cross Lines From Up Right",  // 60
    "Sweep From Left",  // 61
    "Sweep From Up",  // 62
    "Download From Left",  // 63
    "Download From Up",  // 64
    "Line Drop From Right",  // 65
    "Line Drop From Left",  // 66
    "Line Drop From Bottom",  // 67
    "Line Drop From Up",  // 68
    "Box Out",  // 69
    "Box In",  // 70
    "Ellipse Out",  // 71
    "Ellipse In",  // 72
    "Ellipse From Left",  // 73
    "Ellipse From Right",  // 74
    "Ellipse From Up",  // 75
    "Ellipse From Bottom",  // 76
    "Diagonal Unfold From Up Left",  // 77
    "Diagonal Unfold From Up Right",  // 78
    "Diagonal Unfold From Bottom Right",  // 79
    "Diagonal Unfold From Bottom Left",  // 80
    "Propeller Clockwise",  // 81
    "Propeller Counter-Clockwise",  // 82
    "Clock",  // 83
    "Clock Counter-Clockwise",  // 84
    "Chaos Star",  // 85
    "Window Washer",  // 86
    "Triangles",  // 87
    "Quarter Clock To Bottom Right",  // 88
    "Quarter Clock To Up Left",  // 89
    "Quarter Clock To Up Left",  // 90
    "Quarter Clock To Bottom Left",  // 91
    "Diamond In",  // 92
    "Diamond Out",  // 93
    "Diagonal Unfold From Corners 1",  // 94
    "Diagonal Unfold From Corners 2",  // 95
    "Random Horizontal Lines",  // 96
    "Random Vertical Lines",  // 97
    "Random Rectangles",  // 98
    "Random Ellipses",  // 99
    "Random Large Ellipses",  // 100
    "Sweep From Inside Out",  // 101
    "Sweep From Outside In",  // 102
    "Zoom In",  // 103
    "Zoom From Up Left",  // 104
    "Zoom From Up Right",  // 105
    "Zoom From Bottom Left",  // 106
    "Zoom From Bottom Right",  // 107
    "Zoom From Left",  // 108
    "Zoom From Up",  // 109
    "Zoom From Right",  // 110
    "Zoom From Bottom",  // 111
    "Zoom Door Close Horizontal",  // 112
    "Zoom Door Close Vertical",  // 113
    "Quattro Zoom In",  // 114
    "Crossfade",  // 115
    "Fade To Black",  // 116
    "Fade Unfold From Left",  // 117
    "Fade Unfold From Right",  // 118
    "Fade Unfold From Up",  // 119
    "Fade Unfold From Bottom",  // 120
};

struct FamilyRange {
    int first;
    int last;
    FamilyEntry entry;
    int subIndexBase;  // sub-index = effect - SubIndexBase
    std::string_view family;
};

constexpr FamilyRange kFamilies[] = {
    {1, 22, RunSlideFamily, 0, "slides"},
    {23, 64, RunUnfoldFamily, 22, "unfold and line bands"},
    {65, 68, RunLineDropFamily, 64, "line drop"},
    {69, 69, RunBoxOut, 68, "box out"},
    {70, 70, RunBoxIn, 69, "box in"},
    {71, 76, RunEllipseFamily, 70, "ellipse regions"},
    {77, 95, RunTriangleFamily, 76, "triangle wipes"},
    {96, 100, RunRandomPiecesFamily, 95, "random pieces"},
    {101, 102, RunSpiralFamily, 100, "spiral sweeps"},
    {103, 114, RunZoomFamily, 102, "zooms"},
    {115, 116, RunFadeFamily, 114, "fades"},
    {117, 120, RunFadeUnfoldFamily, 116, "fade unfolds"},
};

} // namespace

std::string_view EffectName(int effect) {
    if (effect < 1 || effect > kEffectCount)
        return {};
    return kEffectNames[std::size_t(effect - 1)];
}

FamilyDispatch FamilyFor(int effect) {
    for (const FamilyRange& range : kFamilies)
        if (effect >= range.first && effect <= range.last)
            return FamilyDispatch{range.entry, effect - range.subIndexBase, range.family};
    return {};
}

} // namespace vorlandite::transitions
