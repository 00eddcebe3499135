// Taking the viewer's text for a reply or the reformat command: the display
// lines re-joined into paragraphs, the signature cut off, and the text
// wrapped again, with "> " before each line when it is quoted.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

// A display line longer than this is taken to go on in the next one.
inline constexpr std::size_t kJoinedLineLength = 60;
// With fewer display lines than this, a line that is only "." is left out.
inline constexpr std::size_t kLoneDotLineCount = 5;
// The width of a reply's quoted text, marker included, and of the viewer's
// reformat command.
inline constexpr std::size_t kReplyWrapWidth = 74;
inline constexpr std::size_t kReformatWidth = 75;

// What the viewer's editor shows: its display lines as the editor lays them
// out (a line that ends a paragraph ends in CR LF, a line the editor wrapped
// does not), and its selection as two character offsets into the text those
// lines make together (a CR LF counts as two characters). Equal offsets: no
// selection.
struct ViewerEditorText {
    std::vector<std::string> lines;
    std::size_t selection_start = 0;
    std::size_t selection_end = 0;
};

enum class QuoteSelection { All, SelectedLines };

// The viewer's text with LF line ends. With SelectedLines and a selection,
// only the display lines from the one that holds the selection's start to
// the one that holds its end, whole; otherwise every line. Each line is
// taken without its line break (and at most 1024 characters of it); with
// fewer than 5 display lines a line that is only "." is left out. A line
// longer than 60 characters goes on with the next one after a blank (none
// added when it ends in one); a shorter line ends with LF. Tabs become four
// blanks. The result ends in exactly one LF.
std::string CollectViewerText(const ViewerEditorText& editor, QuoteSelection selection);

// Cuts the text at the first "\n-- \n" or, when there is none, at the first
// "\n- -- \n", and ends it with one LF. Without either it is left alone.
void StripSignature(std::string& text);

enum class QuoteMarker { None, Marked };

// Wraps an LF text into CR LF lines of at most `width` characters, marker
// included: a line breaks before the last word that would pass the width,
// and a word longer than the whole width is cut hard. Blanks at the end of a
// line are removed. With the marker every line is written as "> " and the
// line. Text after the last LF is left out (CollectViewerText always ends in
// LF).
std::string WrapText(std::string_view text, std::size_t width, QuoteMarker marker);

}  // namespace tarvox
