// glanmail-make-big-store OUT.dbx [--messages N]
// Streams a large store for the reader benchmarks. With the default 100,000 messages it holds
// about 1 GB: most messages of 2 to 20 KB, one in two hundred of 100 to 500 KB (attachments),
// one conversation 5,000 messages deep (each answering the one before, filed children first
// and spread over the whole store), 1,000 messages sharing one subject key, and one message of
// 20 MB without attachment. Smaller stores keep the same proportions (the conversation is
// N/20 deep, N/100 messages share the subject), so listing times can be compared.
// Everything is drawn from a fixed seed: the same N gives the same bytes.

#include "BenchArguments.h"
#include "BigStoreText.h"
#include "storewriter/StoreWriter.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

using glanmail::testing::FiletimeFromUnix;
using glanmail::testing::WriterMessage;
namespace bench = glanmail::bench;

namespace {

struct Layout {
    std::size_t count;
    std::size_t deepCount;   // messages of the deep conversation
    std::size_t deepStride;  // one deep message every deepStride positions
    std::size_t sharedCount; // messages sharing one subject key
    std::size_t sharedStride;
    std::size_t largePosition; // the 20 MB message

    explicit Layout(std::size_t n)
        : count(n), deepCount(n / 20), deepStride(20), sharedCount(n / 100), sharedStride(100), largePosition(n / 2) {}

    // Depth in the deep conversation of the message at pos, or -1. Children come first.
    long DeepIndex(std::size_t pos) const {
        if (pos % deepStride != 3 || pos / deepStride >= deepCount) {
            return -1;
        }
        return static_cast<long>(deepCount - 1 - pos / deepStride);
    }
    bool Shared(std::size_t pos) const { return pos % sharedStride == 7 && pos / sharedStride < sharedCount; }
};

constexpr const char* kUsage = "usage: glanmail-make-big-store OUT.dbx [--messages N]";

int Usage() {
    std::cerr << kUsage << "\n";
    return 64;
}

} // namespace

int main(int argc, char** argv) {
    if (!glanmail::bench::OnlyKnownOptions(argc, argv, {"--messages"}, kUsage)) {
        return 64;
    }
    if (argc != 2 && argc != 4) {
        return Usage();
    }
    std::size_t count = 100000;
    if (argc == 4) {
        if (std::string(argv[2]) != "--messages") {
            return Usage();
        }
        const long n = std::atol(argv[3]);
        if (n < 1 || n > 10000000) {
            return Usage();
        }
        count = static_cast<std::size_t>(n);
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    if (!out) {
        std::cerr << "glanmail-make-big-store: cannot write " << argv[1] << "\n";
        return 1;
    }

    const Layout layout(count);
    std::mt19937_64 rng(20080107);
    bench::MessageFactory factory(rng);
    glanmail::testing::StoreWriter writer(out);

    std::vector<std::string> deepIds(layout.deepCount); // Message-IDs of the deep conversation, by depth
    for (std::size_t d = 0; d < layout.deepCount; ++d) {
        deepIds[d] = factory.NewMessageId();
    }

    std::uint64_t bytes = 0;
    for (std::size_t pos = 0; pos < count; ++pos) {
        WriterMessage m;
        const long depth = layout.DeepIndex(pos);
        if (pos == layout.largePosition) {
            m = factory.Large(20 * 1024 * 1024);
        } else if (depth >= 0) {
            m = factory.DeepReply(deepIds, static_cast<std::size_t>(depth));
        } else if (layout.Shared(pos)) {
            m = factory.SharedSubject();
        } else {
            m = factory.Ordinary();
        }
        bytes += m.raw.size();
        writer.Add(m);
        if ((pos + 1) % 10000 == 0) {
            std::cerr << pos + 1 << " messages, " << bytes / (1024 * 1024) << " MB\n";
        }
    }
    const glanmail::testing::StoreLayout written = writer.Finish();
    out.close();
    if (!out) {
        std::cerr << "glanmail-make-big-store: cannot write " << argv[1] << "\n";
        return 1;
    }
    std::cerr << count << " messages, " << bytes / (1024 * 1024) << " MB of messages, store of "
              << written.size / (1024 * 1024) << " MB\n";
    return 0;
}
