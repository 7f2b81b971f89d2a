// Reading the service's city page: a plain list, and pages whose options never end (a hostile or broken
// service; the 8 MiB body limit admits about 440 k of them).
#include "places/city_catalog.h"

#include <benchmark/benchmark.h>

namespace {

using namespace lumora;

QByteArray cityList(int cities) {
    QByteArray page = "<html><body><form><select name=\"kota\">\n";
    for (int i = 0; i < cities; ++i)
        page += "<option value=\"" + QByteArray::number(1000 + i) + "\">KOTA NOMOR " + QByteArray::number(i) +
                "</option>\n";
    return page + "</select></form></body></html>";
}

QByteArray unterminatedOptions(int copies) {
    QByteArray page;
    for (int i = 0; i < copies; ++i)
        page += "<option value=\"x\">y";
    return page;
}

void parsePage(benchmark::State& state, const QByteArray& page, qsizetype cities) {
    qsizetype found = 0;
    for (auto _ : state) {
        const auto parsed = CityCatalog::parseCatalogPage(page);
        found = parsed ? parsed->size() : -1;
        benchmark::DoNotOptimize(found);
    }
    if (found != cities) state.SkipWithError("unexpected number of cities");
    state.SetBytesProcessed(state.iterations() * page.size());
}

void BM_ParseCityList(benchmark::State& state) {
    parsePage(state, cityList(int(state.range(0))), state.range(0));
}
void BM_ParseUnterminatedOptions(benchmark::State& state) {
    parsePage(state, unterminatedOptions(int(state.range(0))), 1);
}

} // namespace

BENCHMARK(BM_ParseCityList)->Arg(600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseUnterminatedOptions)->Arg(40'000)->Arg(440'000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
