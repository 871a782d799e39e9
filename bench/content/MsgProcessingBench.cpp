// Message processing of large messages: a 20 MB HTML newsletter, a 20 MB quoted-printable
// plain message and a 2 MB message made of 100,000 tags, each also at a tenth of its size,
// so that the times show whether the work grows linearly with the text. The 200 MB runs show
// the growth once the text and its copies no longer fit the processor's cache.
//
// Pathological bodies, at 2 and 20 MB, each as plain text without UTF-8, as plain text in
// UTF-8 and as HTML in UTF-8: no input may be slow.

#include "common/Prompter.h"
#include "content/ContentState.h"
#include "content/MsgProcessing.h"

#include <benchmark/benchmark.h>
#include <optional>
#include <string>

namespace {

// Headers, then `block` repeated until the message holds `size` bytes.
std::string Message(const std::string& headers, const std::string& block, std::size_t size) {
    std::string raw = headers + "\r\n";
    raw.reserve(size + block.size());
    while (raw.size() < size) {
        raw += block;
    }
    return raw;
}

const char* const kHeaders = "From: \"Lettre\" <lettre@example.fr>\r\nSubject: Nouveautes\r\n"
                             "Date: Fri, 21 Nov 2003 10:12:07 +0100\r\nMIME-Version: 1.0\r\n";

std::string HtmlNewsletter(std::size_t size) {
    const std::string block =
        "<table width=3D\"600\"><tr><td class=3D\"promo\">\r\n"
        "<p>D&eacute;couvrez nos coups de c&oelig;ur&nbsp;: romans, BD et disques, jusqu'=E0 -30%&nbsp;!</p>\r\n"
        "<p>Offres valables jusqu'au 15/10/2005 &gt; dans la limite des stocks. Voir =\r\n"
        "<a href=3D\"http://www.example.fr/offres?id=3D42\">nos offres</a><br>\r\n"
        "<font size=3D\"1\">Pour ne plus recevoir cette lettre&nbsp;: r&eacute;pondez.</font></p>\r\n"
        "</td></tr></table>\r\n";
    return Message(std::string(kHeaders) + "Content-Type: text/html; charset=\"iso-8859-1\"\r\n"
                                           "Content-Transfer-Encoding: quoted-printable\r\n",
                   "<html><head><style>td { color: red }</style></head><body>\r\n" + block, size);
}

std::string QuotedPrintablePlain(std::size_t size) {
    const std::string block = "La r=E9union du comit=E9 aura lieu mardi =E0 20 h 30, salle des f=EAtes, pr=E8s de =\r\n"
                              "l'=E9glise. Ordre du jour : bilan, pr=E9paration du carnaval, questions diverses.\r\n"
                              "\r\n";
    return Message(std::string(kHeaders) + "Content-Type: text/plain; charset=\"iso-8859-1\"\r\n"
                                           "Content-Transfer-Encoding: quoted-printable\r\n",
                   block, size);
}

// Two tags and a word per 32 bytes: some 130,000 tags in 2 MB.
std::string ManyTags(std::size_t size) {
    return Message(std::string(kHeaders) + "Content-Type: text/html\r\n", "<span class=\"c\">cellule</span>\r\n", size);
}

void Run(benchmark::State& state, const std::string& raw) {
    const glanmail::ListedMessage listed{"Nouveautes", "Lettre", "21/11/2003 10:15:32"};
    glanmail::SilentPrompter prompter;
    glanmail::ContentState content;
    for (auto _ : state) {
        glanmail::CurrentMessage msg = glanmail::MsgProcessing(raw, listed, content, prompter);
        benchmark::DoNotOptimize(msg.MsgText.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(raw.size()));
}

// Bodies made of one piece repeated: escapes that decode into escapes, lone "=", "&#", "<",
// "<p", and mail links nested in one another ("<mai<mailto:a>lto:b>" inside out).
std::string PathologicalBody(std::int64_t kind, std::size_t size) {
    if (kind == 5) {
        const std::size_t depth = size / 14;
        std::string body;
        body.reserve(size + 16);
        for (std::size_t i = 0; i < depth; ++i) {
            body += "<mai";
        }
        body += "<mailto:a>";
        for (std::size_t i = 0; i < depth; ++i) {
            body += "lto:b>";
        }
        return body;
    }
    static const char* const pieces[] = {"=C0=BD", "=", "&#", "<", "<p"};
    const std::string piece = pieces[kind];
    std::string body;
    body.reserve(size + piece.size());
    while (body.size() < size) {
        body += piece;
    }
    return body;
}

void BM_Pathological(benchmark::State& state) {
    static const char* const types[] = {"text/plain; charset=iso-8859-1", "text/plain; charset=utf-8",
                                        "text/html; charset=utf-8"};
    const std::string headers = std::string(kHeaders) + "Content-Type: " + types[state.range(1)] + "\r\n\r\n";
    Run(state, headers + PathologicalBody(state.range(0), static_cast<std::size_t>(state.range(2))));
}

void BM_HtmlNewsletter(benchmark::State& state) {
    Run(state, HtmlNewsletter(static_cast<std::size_t>(state.range(0))));
}
void BM_QuotedPrintablePlain(benchmark::State& state) {
    Run(state, QuotedPrintablePlain(static_cast<std::size_t>(state.range(0))));
}
void BM_ManyTags(benchmark::State& state) {
    Run(state, ManyTags(static_cast<std::size_t>(state.range(0))));
}

constexpr std::int64_t kMB = 1 << 20;

BENCHMARK(BM_HtmlNewsletter)->Arg(2 * kMB)->Arg(20 * kMB)->Arg(200 * kMB)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_QuotedPrintablePlain)
    ->Arg(2 * kMB)
    ->Arg(20 * kMB)
    ->Arg(200 * kMB)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);
BENCHMARK(BM_Pathological)
    ->ArgNames({"body", "type", "size"})
    ->ArgsProduct({{0, 1, 2, 3, 4, 5}, {0, 1, 2}, {2 * kMB, 20 * kMB}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.2);
BENCHMARK(BM_ManyTags)->Arg(kMB / 5)->Arg(2 * kMB)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

BENCHMARK_MAIN();
