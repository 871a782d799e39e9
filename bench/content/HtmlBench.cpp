// HTMLProcessing of a large newsletter (its page repeated) and of a text made only of tags,
// each at full size and at a tenth of it.
#include "content/HtmlToText.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

std::string Newsletter(std::size_t size) {
    static const std::string head =
        "<html><head><title>Lettre</title><style type=\"text/css\">p { margin: 0 }</style></head><body>\r\n";
    static const std::string page =
        "<table width=\"600\"><tr><td><p class=\"titre\">Lettre d'information n&deg; 12</p>\r\n"
        "<p>Chers lecteurs, voici les <b>nouvelles</b> du mois&nbsp;: l&rsquo;&eacute;t&eacute; arrive.\r\n"
        "<p>Un paragraphe jamais ferm&eacute;, puis une liste :<ul><li>premier point</li>\r\n"
        "<li>second point &hellip;</li></ul><br>Prix&nbsp;: 12&nbsp;&euro; &copy; 2004<br />\r\n"
        "<style>.x { color: red }</style><div>Fin &amp; suite &#233;&#x20AC;</div></td></tr></table>\r\n";
    std::string s = head;
    s.reserve(size + page.size());
    while (s.size() < size) {
        s += page;
    }
    return s + "</body></html>\r\n";
}

std::string Tags(std::size_t count) {
    std::string s;
    s.reserve(count * 20);
    for (std::size_t i = 0; i < count; ++i) {
        s += i % 3 == 0 ? "<p class=\"a\">" : i % 3 == 1 ? "<span>x</span>" : "<br>";
    }
    return s;
}

void BM_HtmlNewsletter(benchmark::State& state) {
    const std::string html = Newsletter(static_cast<std::size_t>(state.range(0)) << 20);
    for (auto _ : state) {
        benchmark::DoNotOptimize(glanmail::HTMLProcessing(html, false));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(html.size()));
}

void BM_HtmlTags(benchmark::State& state) {
    const std::string html = Tags(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(glanmail::HTMLProcessing(html, false));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(html.size()));
}

BENCHMARK(BM_HtmlNewsletter)->Arg(2)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlTags)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
