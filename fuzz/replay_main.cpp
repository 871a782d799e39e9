// Replays inputs through a fuzz target's own entry point, without libFuzzer: each argument is
// a file, or a folder whose files are replayed. A crash, a sanitizer report or an abort from
// the target fails the run; a missing input fails it too, so a renamed corpus cannot pass
// silently by replaying nothing.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool Replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::size_t replayed = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        std::error_code ec;
        if (std::filesystem::is_directory(path, ec)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                ok = Replay(entry.path()) && ok;
                ++replayed;
            }
        } else {
            ok = Replay(path) && ok;
            ++replayed;
        }
    }
    std::printf("%zu inputs replayed\n", replayed);
    return ok && replayed > 0 ? 0 : 1;
}
