#pragma once
// Text as a search compares it: letters without their case or accents ("Été" and "ete",
// "PROGRAMAÇÃO" and "programacao", "œ" and "oe" are one), every run of white space, line
// breaks included, one space. An accented letter counts in each form a message may hold it:
// a Windows-1252 byte, UTF-8 that decoding left as it was ("Ã©"), or a letter followed by a
// combining accent in UTF-8.

#include <string>
#include <string_view>

namespace glanmail {

// The folded form of a text: Windows-1252 bytes, where valid UTF-8 sequences are read as
// the characters they encode (so a query typed in UTF-8 folds as its Windows-1252 form).
std::string SearchFold(std::string_view text);
// The same into the first bytes of out, whose count it gives; out keeps its size from one call
// to the next, so that its room is neither cleared nor taken again.
std::size_t SearchFoldInto(std::string_view text, std::string& out);

// The words a user typed, looked for as one phrase in folded texts.
class SearchPhrase {
public:
    explicit SearchPhrase(std::string_view typed);
    // Nothing to look for: only blanks were typed.
    bool Empty() const { return folded_.empty(); }
    bool FoundIn(std::string_view text) const;
    // For a text folded already (SearchFold).
    bool FoundInFolded(std::string_view folded) const;

private:
    std::string folded_;
};

} // namespace glanmail
