// Any byte string as a whole message: its attachments listed and each name made a file name.
// Nothing may crash, hang or grow faster than the message; every name must be one name in the
// folder given, never a path.

#include "content/AttachmentList.h"
#include "output/AttachmentFiles.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string raw(reinterpret_cast<const char*>(data), size);
    const glanmail::AttachmentList list = glanmail::ListAttachments(raw);
    std::size_t total = 0;
    for (const glanmail::Attachment& a : list.Items) {
        total += a.Content.size();
        const std::string name = glanmail::SafeAttachmentName(a.Name);
        const std::string numbered = glanmail::NumberedName(name, 99999);
        for (const std::string& n : {name, numbered}) {
            if (n.empty() || n == "." || n == ".." || n.size() > 255 || n.find('/') != std::string::npos ||
                n.find('\0') != std::string::npos) {
                __builtin_trap();
            }
        }
    }
    // Decoding never makes much more than the message holds: quoted-printable turns a lone LF
    // into CR LF, every other decoding gives fewer bytes than it reads.
    if (total > 2 * size + 64) {
        __builtin_trap();
    }
    return 0;
}
