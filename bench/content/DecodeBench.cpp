// Decode of a large quoted-printable text, in both rule sets, at 20 MB and at 2 MB.
#include "content/Decode.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

// French newsletter text as mail programs wrote it: escapes of accented letters (in Latin-1
// and in UTF-8), soft line breaks, "=3D" in attributes, "=20" before line ends.
std::string QuotedPrintable(std::size_t size) {
    static const std::string block =
        "Bonjour =C3=A0 tous, voici le r=C3=A9sum=C3=A9 de la r=C3=A9union du 3 mai, l'=E9t=E9 arrive =\r\n"
        "<td style=3D\"color:#336699\">caf=E9 cr=E8me =E2=80=99 =C2=A0 =E2=80=93 prix =3D 12=E2=82=AC=20\r\n"
        "Les participants ont pr=E9sent=E9 leurs travaux ; la s=E9ance s'est termin=E9e =E0 18h.=20\r\n"
        "Plain lines of ASCII text make up most of a real message, with a soft break at the end of =\r\n"
        "each long line, as quoted-printable wants lines of at most 76 characters.\r\n";
    std::string s;
    s.reserve(size + block.size());
    while (s.size() < size) {
        s += block;
    }
    return s;
}

void DecodeQuotedPrintable(benchmark::State& state, bool isUtf8) {
    const std::string text = QuotedPrintable(static_cast<std::size_t>(state.range(0)) << 20);
    for (auto _ : state) {
        benchmark::DoNotOptimize(glanmail::Decode(text, isUtf8));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

void BM_DecodeQuotedPrintableLatin1(benchmark::State& state) {
    DecodeQuotedPrintable(state, false);
}
void BM_DecodeQuotedPrintableUtf8(benchmark::State& state) {
    DecodeQuotedPrintable(state, true);
}

BENCHMARK(BM_DecodeQuotedPrintableLatin1)->Arg(2)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeQuotedPrintableUtf8)->Arg(2)->Arg(20)->Unit(benchmark::kMillisecond);

} // namespace
