#pragma once
// What the end of reading a message does with it. An output command clears every flag
// and sets its own; with none set the message is only being viewed.

namespace glanmail {

struct OutputFlags {
    bool DoAllTxt = false; // save as text
    bool DoAllNws = false; // save in original form (.eml or .nws)
    bool DoModTxt = false; // save the edited subject and body as text
    bool DoModNws = false; // save the original form with the edited subject
    bool DoPrint = false;  // print

    void Clear() { *this = OutputFlags{}; }
    bool Saving() const { return DoAllTxt || DoAllNws || DoModTxt || DoModNws; }
    bool TextForm() const { return DoAllTxt || DoModTxt; }
    bool Edited() const { return DoModTxt || DoModNws; }

    static OutputFlags AllTxt() { return Only(&OutputFlags::DoAllTxt); }
    static OutputFlags AllNws() { return Only(&OutputFlags::DoAllNws); }
    static OutputFlags ModTxt() { return Only(&OutputFlags::DoModTxt); }
    static OutputFlags ModNws() { return Only(&OutputFlags::DoModNws); }
    static OutputFlags Print() { return Only(&OutputFlags::DoPrint); }

private:
    static OutputFlags Only(bool OutputFlags::*flag) {
        OutputFlags f;
        f.*flag = true;
        return f;
    }
};

// What became of one message handed to output.
enum class OutputStatus {
    Nothing,    // no output flag set: only viewed
    Written,    // saved to a file (or appended to the group's file)
    Printed,    // laid out on the print device
    Refused,    // "Chemin trop long": skipped, the command goes on
    Unreadable, // its raw text could not be read: skipped, the command goes on
    NotWritten, // its file could not be written, for a reason of its own (its size, its name): skipped
    Failed      // a file or printer failure that would repeat, reported under "MsgEnd": the command is abandoned
};

} // namespace glanmail
