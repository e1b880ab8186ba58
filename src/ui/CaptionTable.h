#pragma once
// The caption translation table: the author's translation text (the payload's last string) maps
// the English captions of every window to the author's language. One table for the whole
// program, built when the payload's strings are read and released with the main window.
//
// Captions are the payload's 8-bit text; a line break inside a caption is CR LF, written "#13" in
// the translation text.

#include <string>
#include <string_view>

namespace vorlandite::ui {

// The section of the translation text that belongs to the screensaver.
inline constexpr std::string_view kCaptionSection = "Screen Saver";

// Builds the table from the entries of `section` (all entries when `section` is empty),
// replacing any table built before.
void LoadCaptionTable(std::string_view text, std::string_view section);

// The replacement of an English caption, or the caption itself (also before any table exists).
std::string TranslateCaption(std::string_view caption);

// Releases the table: captions stay English from now on.
void FreeCaptionTable();

} // namespace vorlandite::ui
