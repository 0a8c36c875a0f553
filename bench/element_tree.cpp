// The element tree of a network with many vendor elements: rebuilding it
// after a scan with its open rows opened again, opening and closing every
// row, and copying every element as rich text. Each must stay far below a
// frame's worth of time per thousand rows so the window never stalls.

#include "BenchSupport.h"

#include "elements/SVInfoElement.h"
#include "views/SVAdvancedDetailsView.h"
#include "views/SVElementTreeModel.h"

#include <QApplication>
#include <QClipboard>

namespace {

// n vendor elements (WMM parameters), each with a few levels of fields.
std::vector<std::shared_ptr<SVInfoElement>> manyElements(int n)
{
    const QByteArray wmm = QByteArray::fromHex("0050F2020101800003A4000027A4000042435E0062322F00");
    std::vector<std::shared_ptr<SVInfoElement>> out;
    out.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        QByteArray body = wmm;
        body[7] = char(i); // distinct contents
        out.push_back(std::make_shared<SVInfoElement>(221, body));
    }
    return out;
}

int rowCount(const SVElementTreeModel& model, const QModelIndex& parent = {})
{
    int rows = model.rowCount(parent);
    for (int r = 0, n = rows; r < n; ++r)
        rows += rowCount(model, model.index(r, 0, parent));
    return rows;
}

void BM_RebuildWithOpenRows(benchmark::State& state)
{
    SVElementTreeModel model;
    SVAdvancedDetailsView view;
    view.setElementModel(&model);
    view.resize(800, 400);
    model.setElements(manyElements(int(state.range(0))));
    view.onContextMenuExpandAll();
    for (auto _ : state) {
        auto fresh = manyElements(int(state.range(0)));
        for (const auto& e : fresh)
            e->fields(); // decoded by the scan's digest, not by the tree
        model.setElements(std::move(fresh));
        view.restoreExpandedItems();
        view.viewport()->repaint();
    }
    state.counters["rows"] = rowCount(model);
}
BENCHMARK(BM_RebuildWithOpenRows)->ArgName("elements")->Arg(50)->Arg(500)->Unit(benchmark::kMillisecond);

void BM_ExpandAndCollapseAll(benchmark::State& state)
{
    SVElementTreeModel model;
    SVAdvancedDetailsView view;
    view.setElementModel(&model);
    view.resize(800, 400);
    model.setElements(manyElements(int(state.range(0))));
    for (auto _ : state) {
        view.onContextMenuExpandAll();
        view.viewport()->repaint();
        view.onContextMenuCollapseAll();
        view.viewport()->repaint();
    }
    state.counters["rows"] = rowCount(model);
}
BENCHMARK(BM_ExpandAndCollapseAll)->ArgName("elements")->Arg(50)->Arg(500)->Unit(benchmark::kMillisecond);

void BM_CopyAllElements(benchmark::State& state)
{
    SVElementTreeModel model;
    SVAdvancedDetailsView view;
    view.setElementModel(&model);
    model.setElements(manyElements(int(state.range(0))));
    for (auto _ : state)
        view.onContextMenuCopyAllElements();
    state.counters["bytes"] = double(QApplication::clipboard()->text().size());
}
BENCHMARK(BM_CopyAllElements)->ArgName("elements")->Arg(50)->Arg(500)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    bench::useThrowawayHome(home);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return bench::runBenchmarks(argc, argv);
}
