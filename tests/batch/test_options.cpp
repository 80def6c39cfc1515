// The option table, the SOURCE forms, parameters, output patterns, index selection and the journal's
// skip rule, without running a graph.
#include <QDir>
#include <QDebug>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <memory>

#include "batchfixture.h"
#include "items/item.h"
#include "items/itemmodel.h"
#include "kora/kora.h"
#include "testmain.h"
#include "tools/batchplan.h"
#include "tools/journal.h"
#include "tools/options.h"
#include "tools/parameters.h"
#include "tools/sources.h"

using namespace VORNE::batch;
using VORNE::Item;

namespace {

Options parse(const QStringList& arguments)
{
    return parseOptions(arguments);
}

// Every field of the options, to tell whether an argument changed any.
QString dump(const Options& o)
{
    QString text;
    QDebug out(&text);
    for (const InputSource& input : o.inputs)
        out << input.port << input.source;
    out << o.graph << o.outputDirs << o.patterns << o.suffixes << o.channels << o.timePoints << o.params << o.paramFiles << o.threads << o.jobs
        << o.rangeFirst << o.rangeLast << o.shardIndex << o.shardCount << o.journal << o.table << o.report
        << o.command << o.journals << o.dryRun << o.overwrite << o.graceSeconds << o.quiet << o.help << o.version
        << o.resumeByContent << o.checksums;
    return text;
}

bool names(const QString& usage, const char* option)
{
    const QString name = QRegularExpression::escape(QString::fromLatin1(option));
    return usage.contains(QRegularExpression(QStringLiteral("(?<![\\w-])%1(?![\\w-])").arg(name)));
}

} // namespace

// A row of the option table that is not applied to the options, or not named in the usage, is a miss.
TEST(Options, EveryTableRowIsParsedAndListed)
{
    const QString usage = usageText();
    const QString untouched = dump(parse({"g.ogr"}));
    for (const OptionRow& row : optionTable()) {
        EXPECT_TRUE(names(usage, row.longName)) << row.longName;
        EXPECT_TRUE(!*row.shortName || names(usage, row.shortName)) << row.shortName;
        bool applied = false;
        for (const char* value : {"2", "1=2", "1:2", "1/2", "content"}) {
            QStringList arguments{row.longName};
            if (row.takesValue)
                arguments << value;
            try {
                applied = applied || dump(parse(arguments << "g.ogr")) != untouched;
            } catch (const UsageError&) {
            }
        }
        EXPECT_TRUE(applied) << row.longName;
    }
}

TEST(Options, ShortLongAndAttachedForms)
{
    const Options o = parse({"-i", "0=a.png", "--input=image=@l.txt", "-oout", "--output-dir", "1=masks", "-t2",
                             "--range", "2:7", "--shard", "1/4", "--dry-run", "g.ogr"});
    EXPECT_EQ(o.graph, "g.ogr");
    ASSERT_EQ(o.inputs.size(), 2);
    EXPECT_EQ(o.inputs[1].source, "@l.txt");
    EXPECT_EQ(o.outputDirs.value(""), "out");
    EXPECT_EQ(o.outputDirs.value("1"), "masks");
    EXPECT_EQ(o.threads, 2);
    EXPECT_EQ(o.rangeLast, 7);
    EXPECT_EQ(o.shardIndex * 10 + o.shardCount, 14);
    EXPECT_TRUE(o.dryRun);
}

TEST(Options, BadUsageIsRefused)
{
    const QList<QStringList> bad{
        {"--frobnicate", "g.ogr"}, {"g.ogr", "h.ogr"},    {},
        {"-j", "0", "g.ogr"},      {"--range", "5:2", "g.ogr"}, {"--range", "x", "g.ogr"},
        {"--shard", "3/3", "g.ogr"}, {"--shard", "1-3", "g.ogr"}, {"-i", "a.png", "g.ogr"},
        {"-p", "novalue", "g.ogr"}, {"g.ogr", "-t"},
    };
    for (const QStringList& arguments : bad)
        EXPECT_THROW(parse(arguments), UsageError) << arguments.join(' ').toStdString();
}

TEST(Options, ShardAutoReadsTheArrayTask)
{
    qputenv("SLURM_ARRAY_TASK_ID", "3");
    qputenv("SLURM_ARRAY_TASK_COUNT", "4");
    qputenv("SLURM_ARRAY_TASK_MIN", "1");
    const Options o = parse({"--shard", "auto", "g.ogr"});
    EXPECT_EQ(o.shardIndex, 2);
    EXPECT_EQ(o.shardCount, 4);
    qunsetenv("SLURM_ARRAY_TASK_ID");
    EXPECT_THROW(parse({"--shard", "auto", "g.ogr"}), UsageError);
    qunsetenv("SLURM_ARRAY_TASK_COUNT");
    qunsetenv("SLURM_ARRAY_TASK_MIN");
}

class Sources : public BatchFixture
{
protected:
    static QList<InputItem> expanded(const QString& source)
    {
        InputList list;
        expandSource(source, list);
        QList<InputItem> items;
        for (int i = 0; i < list.size(); ++i)
            items << list.at(i);
        return items;
    }
};

TEST_F(Sources, EveryForm)
{
    QFile list(path("images/list.txt"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("# two of them\nimg_3.png\n\nimg_1.png\n");
    list.close();
    QFile(path("images/notes.md")).open(QIODevice::WriteOnly);

    const QString img0 = path("images/img_0.png");
    EXPECT_EQ(expanded("@" + path("images/list.txt")),
              (QList<InputItem>{{path("images/img_3.png"), Item::ImageFileType},
                               {path("images/img_1.png"), Item::ImageFileType}}));
    const QList<InputItem> folder = expanded(path("images") + "/");
    ASSERT_EQ(folder.size(), kImages); // the list and the notes are no image files
    EXPECT_EQ(folder.first().text, img0);
    EXPECT_EQ(expanded(path("images/img_[24].png")).size(), 2);
    EXPECT_EQ(expanded(img0), (QList<InputItem>{{img0, Item::ImageFileType}}));
    QDir::setCurrent(path("images"));
    EXPECT_EQ(expanded("img_0.png").first().text, QFileInfo(img0).canonicalFilePath());

    EXPECT_EQ(expanded("string:a b:c").first(), (InputItem{"a b:c", Item::StringType}));
    EXPECT_EQ(expanded("bool: TRUE ").first(), (InputItem{"true", Item::BoolType}));
}

TEST_F(Sources, UnusableSourcesAreRefused)
{
    const QStringList bad{"long:1.5",   "double:x",          "bool:yes",
                          "vector:{}",  path("images/no.png"), "@" + path("nolist.txt"),
                          path("empty") + "/", path("images/*.tif"), path("im*/img_0.png")};
    QDir(m_dir.path()).mkpath("empty");
    for (const QString& source : bad)
        EXPECT_THROW(expanded(source), InputError) << source.toStdString();
    QFile list(path("missing.txt"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("images/img_0.png\nimages/gone.png\n");
    list.close();
    EXPECT_THROW(expanded("@" + path("missing.txt")), InputError);
}

TEST(Parameters, KeyPathsAndKinds)
{
    KORA::CValueMap map;
    map.SetEntry("sigma", new KORA::CValueDouble(1.0));
    map.SetEntry("method", new KORA::CValueString("otsu"));
    map.SetEntry("node/inner/size", new KORA::CValueLong(1));
    map.SetEntry("list", new KORA::CValueVector());
    setParameter(map, "sigma", "3");           // a long for a double entry
    setParameter(map, "method", "fixed");      // a bare word
    setParameter(map, "node/inner/size", "5"); // a key path
    setParameter(map, "list", "[1, 2]");
    EXPECT_EQ(map.EntryDouble("sigma"), 3.0);
    EXPECT_EQ(map.Entry("sigma").GenericType(), KORA::GT_DOUBLE);
    EXPECT_EQ(map.EntryString("method"), "fixed");
    EXPECT_EQ(map.EntryLong("node/inner/size"), 5);
    EXPECT_EQ(map.Entry("list").GenericType(), KORA::GT_VECTOR);
    EXPECT_THROW(setParameter(map, "sigma", "abc"), UsageError);
    EXPECT_THROW(setParameter(map, "node/inner/size", "true"), UsageError);
    // A misspelt key changes nothing the graph reads: refused, naming the nearest known key (a key path too).
    try {
        setParameter(map, "node/inner/sise", "2");
        ADD_FAILURE() << "a misspelt key was taken";
    } catch (const UsageError& e) {
        EXPECT_STREQ(e.what(), "unknown parameter 'node/inner/sise'; did you mean 'node/inner/size'?");
    }
    EXPECT_THROW(setParameter(map, "sigam", "2"), UsageError);
    EXPECT_FALSE(map.HasEntry("sigam"));
}

class Plan : public BatchFixture
{
protected:
    Options options(const QStringList& extra)
    {
        QDir::setCurrent(m_dir.path());
        return parseOptions(QStringList{"-i", "0=images/", path("blur_otsu.ogr")} + extra);
    }
};

TEST_F(Plan, SharedAndPerPortPatternsAndParameterFiles)
{
    const BatchPlan shared(options({"-o", "out", "--pattern", "%n_x"}));
    ASSERT_EQ(shared.outputPatterns().size(), 1);
    EXPECT_EQ(shared.outputPatterns()[0].directory, path("out"));
    EXPECT_EQ(shared.outputPatterns()[0].pattern, "%n_x");
    EXPECT_EQ(shared.outputPatterns()[0].suffix, ".pxm");
    EXPECT_EQ(shared.batchSize(), kImages);

    QFile params(path("p.xml"));
    ASSERT_TRUE(params.open(QIODevice::WriteOnly));
    params.write(R"(<map><double key="sigma">4.5</double></map>)");
    params.close();
    const BatchPlan perPort(options({"--suffix", "mask=.png", "--params", "p.xml", "-p", "method=fixed"}));
    ASSERT_EQ(perPort.outputPatterns().size(), 1); // one output port
    EXPECT_EQ(perPort.outputPatterns()[0].suffix, ".png");
    EXPECT_EQ(perPort.outputPatterns()[0].pattern, "%i0_%o");
    EXPECT_EQ(perPort.parameters().EntryDouble("sigma"), 4.5);
    EXPECT_EQ(perPort.parameters().EntryString("method"), "fixed");
    EXPECT_NE(perPort.digest(), shared.digest());
    params.open(QIODevice::WriteOnly);
    params.write(R"(<map><double key="sigam">4.5</double></map>)");
    params.close();
    EXPECT_THROW(BatchPlan(options({"--params", "p.xml"})), UsageError);

    const BatchPlan planes(options({"--channel", "image=1"}));
    const QList<Item*> placed = planes.placeItems(0);
    EXPECT_EQ(placed[0]->model()->loadConfig().channel, 1);
    EXPECT_TRUE(placed[0]->model()->hasPlaneChoice());
    EXPECT_NE(planes.digest(), BatchPlan(options({})).digest());
    planes.removeItems(0);
    EXPECT_THROW(BatchPlan(options({"--time", "3=1"})), UsageError);
    EXPECT_THROW(BatchPlan(options({"--pattern", "3=x"})), UsageError);
    EXPECT_THROW(BatchPlan(parseOptions({"-i", "1=long:1", path("blur_otsu.ogr")})), UsageError);
    EXPECT_THROW(BatchPlan(parseOptions({path("blur_otsu.ogr")})), InputError); // port 0 empty
    writeGraph("broken.ogr", "{ \"nodes\": { \"a\": { \"plugin\": \"%KORADIR%/bin/imgproc::NoSuchNode\" } } }");
    EXPECT_THROW(BatchPlan(parseOptions({path("broken.ogr")})), GraphError);
    EXPECT_THROW(BatchPlan(parseOptions({path("nothere.ogr")})), GraphError);
}

TEST_F(Plan, RangesAndShardsCoverEveryIndexOnce)
{
    const BatchPlan plan(options({}));
    for (const int shards : {1, 2, 3, 7}) {
        QList<int> seen;
        for (int shard = 0; shard < shards; ++shard)
            seen += plan.selectedIndices(
                options({"--shard", QStringLiteral("%1/%2").arg(shard).arg(shards)}));
        std::sort(seen.begin(), seen.end());
        EXPECT_EQ(seen, (QList<int>{0, 1, 2, 3, 4})) << shards;
    }
    QList<int> ranges = plan.selectedIndices(options({"--range", "0:1"})) +
                        plan.selectedIndices(options({"--range", "2:99"}));
    EXPECT_EQ(ranges, (QList<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(plan.selectedIndices(options({"--range", "1:4", "--shard", "0/2"})), (QList<int>{2, 4}));
}

TEST_F(Plan, JournalSkipsOnlyWhatIsDoneUnchangedAndPresent)
{
    const BatchPlan plan(options({}));
    const QString output = path("out.png");
    QFile(output).open(QIODevice::WriteOnly);
    const auto record = [&](int index, const char* status) {
        return nlohmann::json{{"index", index},
                              {"inputs", plan.inputsOf(index, false)},
                              {"digest", plan.digest().toStdString()},
                              {"outputs", {{{"port", 0}, {"type", "image file"}, {"value", output.toStdString()}}}},
                              {"status", status}};
    };
    // A long journal is read in two halves: the later record of an index counts across the middle too.
    for (const bool longJournal : {false, true}) {
        SCOPED_TRACE(longJournal);
        QFile::remove(path("j.jsonl"));
        {
            Journal journal(path("j.jsonl"));
            const auto changed = [&](int index) {
                nlohmann::json other = record(index, "done");
                other["digest"] = "changed";
                return other;
            };
            journal.append(changed(0));
            journal.append(record(1, "done"));
            journal.append(record(2, "failed"));
            if (longJournal)
                journal.append({{"index", 9}, {"padding", std::string(2 << 20, 'x')}});
            journal.append(record(0, "done"));
            journal.append(record(1, "failed"));
            journal.append(record(2, "done")); // the last record of an index counts, either way
            journal.append(changed(3));
        }
        QFile torn(path("j.jsonl"));
        ASSERT_TRUE(torn.open(QIODevice::Append));
        torn.write("{\"index\": 4, \"sta");
        torn.close();

        const Journal journal(path("j.jsonl"));
        EXPECT_TRUE(journal.isDone(0, plan.inputsOf(0, false), plan.digest()));
        EXPECT_FALSE(journal.isDone(1, plan.inputsOf(1, false), plan.digest()));
        EXPECT_TRUE(journal.isDone(2, plan.inputsOf(2, false), plan.digest()));
        EXPECT_FALSE(journal.isDone(3, plan.inputsOf(3, false), plan.digest()));
        EXPECT_FALSE(journal.isDone(4, plan.inputsOf(4, false), plan.digest()));
        EXPECT_FALSE(journal.isDone(0, plan.inputsOf(1, false), plan.digest())); // other inputs
    }
    const Journal journal(path("j.jsonl"));
    QFile::remove(output);
    EXPECT_FALSE(journal.isDone(0, plan.inputsOf(0, false), plan.digest())); // its file is gone
}
