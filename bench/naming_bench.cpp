// The preview engine at 1,000 to 100,000 files, without and with the verdicts, beside the floor of
// building and hashing names.
#include "naming/build_new_names.h"
#include "platform/file_names.h"
#include "platform/file_view.h"
#include "platform/folder_survey.h"
#include "platform/name_list_model.h"
#include "platform/new_name_list.h"
#include "platform/progress.h"
#include "renaming/verdicts.h"

#include <QHash>
#include <QStringBuilder>
#include <QStringList>
#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

class ListFileView final : public platform::FileView {
public:
    explicit ListFileView(QStringList names)
        : m_names(std::move(names)) {}
    QString path() const override { return u"/bench"_s; }
    qsizetype count() const override { return m_names.size(); }
    QString name(qsizetype row) const override {
        return row >= 0 && row < m_names.size() ? m_names.at(row) : QString();
    }
    void refresh() override {}

private:
    QStringList m_names;
};

class NullProgress final : public platform::Progress {
public:
    void setMaximum(qint64 maximum) override { benchmark::DoNotOptimize(maximum); }
    void setValue(qint64 value) override { benchmark::DoNotOptimize(value); }
};

/// lstNew's model, as the window fills it; answers every fifth prompt first with a name that is
/// taken, then with a unique one.
class ScriptedNewNames final : public platform::NewNameList {
public:
    explicit ScriptedNewNames(platform::NameListModel& lstNew)
        : m_lstNew(lstNew) {}
    qsizetype prompts = 0;

    void shown(const QStringList& names) override { m_lstNew.addItems(names); }
    void highlight(qsizetype row) override { m_lstNew.setListIndex(row); }
    void changed(qsizetype row, const QString& name) override { m_lstNew.setItem(row, name); }
    std::optional<QString> askName(const QString& defaultText) override {
        ++prompts;
        if (prompts % 5 == 0)
            return u"f1.txt"_s;
        return defaultText % u" ("_s % QString::number(prompts) % u')';
    }

private:
    platform::NameListModel& m_lstNew;
};

QStringList cameraNames(qsizetype count) {
    QStringList names;
    names.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        names.append(u"IMG_"_s % QString::number(i) % u".JPG"_s);
    return names;
}

/// Pairs of files with one stem and two endings: a fixed ending makes every pair a repeat.
QStringList pairedNames(qsizetype count) {
    QStringList names;
    names.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        names.append(u"f"_s % QString::number(i / 2) % (i % 2 ? u".png"_s : u".jpg"_s));
    return names;
}

/// A writable folder that holds exactly `files`, as the survey of the disk would read it.
platform::FolderSurvey surveyOf(const QStringList& files) {
    platform::FolderSurvey folder;
    folder.readable = true;
    folder.writable = true;
    folder.nameMax = 255;
    folder.entries.reserve(files.size());
    for (const QString& name : files)
        folder.entries.insert(platform::encodeFileName(name), platform::EntryType::File);
    return folder;
}

void runPreview(benchmark::State& state, const QStringList& files,
                const naming::NamingParameters& parameters, bool withVerdicts = false) {
    const ListFileView File2(files);
    platform::NameListModel lstNew;
    NullProgress prb1;
    qsizetype prompts = 0;
    // The survey reads the disk; its in-memory result stands in here, built outside the timing.
    const platform::FolderSurvey folder = surveyOf(files);
    for (auto _ : state) {
        ScriptedNewNames shown(lstNew);
        lstNew.clear();
        naming::BuildNewNames(File2.names(), parameters, shown, prb1);
        prompts = shown.prompts;
        if (withVerdicts)
            benchmark::DoNotOptimize(renaming::failingRows(lstNew.items(), File2, folder));
        benchmark::DoNotOptimize(lstNew.count());
    }
    if (lstNew.count() != files.size())
        state.SkipWithError("the preview did not complete");
    state.counters["prompts"] = double(prompts);
    state.SetItemsProcessed(state.iterations() * files.size());
}

void BM_Preview_NoRepeats(benchmark::State& state) {
    runPreview(state, cameraNames(state.range(0)), {u"photo"_s, u"01"_s, u".jpg"_s});
}

void BM_Preview_ManyRepeats(benchmark::State& state) {
    runPreview(state, pairedNames(state.range(0)), {u"*"_s, u"-"_s, u".txt"_s});
}

// The same previews followed by the dry run of the pass that marks the rows which will fail.
void BM_PreviewWithVerdicts_NoRepeats(benchmark::State& state) {
    runPreview(state, cameraNames(state.range(0)), {u"photo"_s, u"01"_s, u".jpg"_s}, true);
}

void BM_PreviewWithVerdicts_ManyRepeats(benchmark::State& state) {
    runPreview(state, pairedNames(state.range(0)), {u"*"_s, u"-"_s, u".txt"_s}, true);
}

// The floor: building the same number of names, and putting them in a hash once.
void BM_Baseline_BuildNames(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(cameraNames(state.range(0)));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_Baseline_HashNames(benchmark::State& state) {
    const QStringList names = cameraNames(state.range(0));
    for (auto _ : state) {
        QHash<QString, qsizetype> hash;
        hash.reserve(names.size());
        for (qsizetype row = 0; row < names.size(); ++row)
            hash.insert(names.at(row), row);
        benchmark::DoNotOptimize(hash.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

#define SIZES Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_Preview_NoRepeats)->SIZES;
BENCHMARK(BM_Preview_ManyRepeats)->SIZES;
BENCHMARK(BM_PreviewWithVerdicts_NoRepeats)->SIZES;
BENCHMARK(BM_PreviewWithVerdicts_ManyRepeats)->SIZES;
BENCHMARK(BM_Baseline_BuildNames)->SIZES;
BENCHMARK(BM_Baseline_HashNames)->SIZES;

BENCHMARK_MAIN();
