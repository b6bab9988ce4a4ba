// The diff of an export (korvalis-export --diff) next to the export's own edit of the same page,
// in one run: read the ratio of their times. Goal: the diff costs under a tenth of the edit at
// every size (its time growing linearly with the page), so --diff costs little more than the
// export itself.

#include "export/pageedit.h"
#include "export/unifieddiff.h"

#include <benchmark/benchmark.h>

namespace {

using namespace exporting;

const PageScript Script{
    7, QStringLiteral("<script>\nfunction reloj() {\n  document.body.x = 1;\n}\n</script>"),
    QStringLiteral("onload=\"reloj()\""), QStringLiteral("<div id=\"reloj\">\n</div>")};

// A page of about `size` bytes, its body tag half way: the export changes two blocks far apart.
QByteArray page(qsizetype size)
{
    QByteArray p = "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<title>Prueba</title>\r\n<script>\r\n";
    while (p.size() < size / 2)
        p += "var datos = [1, 2, 3, \"<body>\", document.body]; // comentario\r\n";
    p += "</script>\r\n</head>\r\n<body class=\"pagina\">\r\n";
    while (p.size() < size)
        p += "<p class=\"texto\">Un párrafo con <a href=\"otra.html\">un enlace</a>.</p>\r\n";
    return p + "</body>\r\n</html>\r\n";
}

void BM_EditPage(benchmark::State& state)
{
    const QByteArray bytes = page(state.range(0));
    for (auto _ : state) {
        const PageEdit edit = editPage(bytes, Script);
        benchmark::DoNotOptimize(edit.page.data());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_DiffOfExport(benchmark::State& state)
{
    const QByteArray bytes = page(state.range(0));
    const PageEdit edit = editPage(bytes, Script);
    if (!edit.ok())
        state.SkipWithError("page refused");
    for (auto _ : state) {
        const QByteArray diff = unifiedDiff(bytes, edit.page, "pagina.html");
        benchmark::DoNotOptimize(diff.data());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

} // namespace

BENCHMARK(BM_EditPage)->Arg(100 << 10)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffOfExport)
    ->Arg(100 << 10)
    ->Arg(1 << 20)
    ->Arg(10 << 20)
    ->Unit(benchmark::kMillisecond);
