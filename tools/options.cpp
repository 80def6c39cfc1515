#include "tools/options.h"

#include <QRegularExpression>

namespace VORNE::batch {

namespace {

int toCount(const QString& option, const QString& text, int minimum)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < minimum)
        throw UsageError(QStringLiteral("%1 needs a whole number of at least %2, not '%3'")
                             .arg(option)
                             .arg(minimum)
                             .arg(text)
                             .toStdString());
    return value;
}

void parseShard(Options& options, const QString& text)
{
    if (text == QLatin1String("auto")) {
        const QByteArray id = qgetenv("SLURM_ARRAY_TASK_ID");
        const QByteArray count = qgetenv("SLURM_ARRAY_TASK_COUNT");
        if (id.isEmpty() || count.isEmpty())
            throw UsageError("--shard auto needs SLURM_ARRAY_TASK_ID and SLURM_ARRAY_TASK_COUNT (run it as an "
                             "array job)");
        // Arrays numbered from 1 (--array=1-8) are as common as those from 0.
        const QByteArray minimum = qgetenv("SLURM_ARRAY_TASK_MIN");
        const int first = minimum.isEmpty() ? 0 : toCount("SLURM_ARRAY_TASK_MIN", QString::fromLatin1(minimum), 0);
        options.shardIndex = toCount("SLURM_ARRAY_TASK_ID", QString::fromLatin1(id), 0) - first;
        options.shardCount = toCount("SLURM_ARRAY_TASK_COUNT", QString::fromLatin1(count), 1);
    } else {
        static const QRegularExpression form(QStringLiteral("^(\\d+)/(\\d+)$"));
        const QRegularExpressionMatch match = form.match(text);
        if (!match.hasMatch())
            throw UsageError(QStringLiteral("--shard needs I/N or auto, not '%1'").arg(text).toStdString());
        options.shardIndex = toCount("--shard", match.captured(1), 0);
        options.shardCount = toCount("--shard", match.captured(2), 1);
    }
    if (options.shardIndex < 0 || options.shardIndex >= options.shardCount)
        throw UsageError(QStringLiteral("shard %1 does not exist among %2 shards")
                             .arg(options.shardIndex)
                             .arg(options.shardCount)
                             .toStdString());
}

void parseRange(Options& options, const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d+):(\\d+)$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        throw UsageError(QStringLiteral("--range needs FIRST:LAST, not '%1'").arg(text).toStdString());
    options.rangeFirst = toCount("--range", match.captured(1), 0);
    options.rangeLast = toCount("--range", match.captured(2), 0);
    if (options.rangeLast < options.rangeFirst)
        throw UsageError(QStringLiteral("--range %1 is empty").arg(text).toStdString());
}

void putPortValue(PortValues& values, const QString& text)
{
    const auto [port, value] = splitPortValue(text);
    values[port] = value;
}

void putPlane(PortValues& values, const QString& text, const char* option)
{
    const auto [port, value] = splitPortValue(text);
    values[port] = QString::number(toCount(QString::fromLatin1(option), value, 0));
}

} // namespace

const std::vector<OptionRow>& optionTable()
{
    using O = Options;
    using V = const QString&;
    static const std::vector<OptionRow> rows{
        {"-i", "--input", true,
         [](O& o, V value) {
             const int equals = value.indexOf(QLatin1Char('='));
             if (equals <= 0)
                 throw UsageError(QStringLiteral("--input needs PORT=SOURCE, not '%1'").arg(value).toStdString());
             o.inputs.append({value.left(equals), value.mid(equals + 1)});
         },
         "  -i, --input PORT=SOURCE     add items to input port PORT (index or name), in the order given\n"
         "                              (repeatable). SOURCE is @LIST (a text list of image files), DIR/ (its\n"
         "                              image files, sorted by name), a quoted glob such as 'data/*.png'\n"
         "                              (sorted), FILE (one image file), or one typed item: long:N, double:X,\n"
         "                              string:S, bool:B, vector:TEXT\n"},
        {"-o", "--output-dir", true, [](O& o, V value) { putPortValue(o.outputDirs, value); },
         "  -o, --output-dir [PORT=]DIR   default: the current directory\n"},
        {"", "--pattern", true, [](O& o, V value) { putPortValue(o.patterns, value); },
         "      --pattern [PORT=]PATTERN  default \"%i0_%o\"\n"},
        {"", "--suffix", true, [](O& o, V value) { putPortValue(o.suffixes, value); },
         "      --suffix [PORT=]SUFFIX    default \".pxm\"\n"
         "                              (without PORT= the value serves every port)\n"},
        {"", "--channel", true, [](O& o, V value) { putPlane(o.channels, value, "--channel"); },
         "      --channel [PORT=]C      multi-channel TIFF files (ImageJ, OME) of the port give channel C,\n"
         "                              counted from 0, as a Z stack\n"},
        {"", "--time", true, [](O& o, V value) { putPlane(o.timePoints, value, "--time"); },
         "      --time [PORT=]T         ... and time point T of time-lapse files; each of the two is 0 when\n"
         "                              only the other is given\n"},
        {"-p", "--param", true,
         [](O& o, V value) {
             const int equals = value.indexOf(QLatin1Char('='));
             if (equals <= 0)
                 throw UsageError(QStringLiteral("--param needs KEY=VALUE, not '%1'").arg(value).toStdString());
             o.params.append({value.left(equals), value.mid(equals + 1)});
         },
         "  -p, --param KEY=VALUE       set a graph parameter; KEY may be a key path, VALUE is text-serialized\n"
         "                              (a bare word that is no value is taken as a string)\n"},
        {"", "--params", true, [](O& o, V value) { o.paramFiles << value; },
         "      --params FILE           merge a parameter map (XML as VORNE shows it, or text)\n"},
        {"-t", "--threads", true, [](O& o, V value) { o.threads = toCount(QStringLiteral("--threads"), value, 0); },
         "  -t, --threads N             scheduler threads (0 = one per processor; default 0)\n"},
        {"-j", "--jobs", true, [](O& o, V value) { o.jobs = toCount(QStringLiteral("--jobs"), value, 1); },
         "  -j, --jobs N                run N batch indices at a time in N worker processes (default 1)\n"},
        {"", "--range", true, [](O& o, V value) { parseRange(o, value); },
         "      --range FIRST:LAST      only these batch indices (inclusive, 0-based)\n"},
        {"", "--shard", true, [](O& o, V value) { parseShard(o, value); },
         "      --shard I/N | auto      only indices k with k mod N = I; auto reads SLURM_ARRAY_TASK_ID and\n"
         "                              SLURM_ARRAY_TASK_COUNT (less SLURM_ARRAY_TASK_MIN)\n"},
        {"", "--journal", true, [](O& o, V value) { o.journal = value; },
         "      --journal FILE          append one JSON line per finished index; a rerun skips indices\n"
         "                              recorded as done with the same inputs and digest whose files exist\n"},
        {"", "--resume-by", true,
         [](O& o, V value) {
             if (value != QLatin1String("size-time") && value != QLatin1String("content"))
                 throw UsageError(
                     QStringLiteral("--resume-by needs size-time or content, not '%1'").arg(value).toStdString());
             o.resumeByContent = value == QLatin1String("content");
         },
         "      --resume-by size-time | content\n"
         "                              what makes a recorded input the same: its file's size and\n"
         "                              modification time (default) or its content checksum (reads every file)\n"},
        {"", "--no-checksums", false, [](O& o, V) { o.checksums = false; },
         "      --no-checksums          record no content checksums of inputs and outputs (verify and rerun\n"
         "                              then have nothing to compare)\n"},
        {"", "--table", true, [](O& o, V value) { o.table = value; },
         "      --table FILE            write the results table of the selected indices: CSV, or tab-separated\n"
         "                              when FILE ends in .tsv; with --journal, indices skipped as done are\n"
         "                              taken from the journal\n"},
        {"", "--report", true, [](O& o, V value) { o.report = value; },
         "      --report DIR            write a report of the same rows with thumbnails: DIR/index.html\n"},
        {"", "--dry-run", false, [](O& o, V) { o.dryRun = true; },
         "      --dry-run               check the graph and every input, print the batch plan, run nothing;\n"
         "                              lines whose outputs would overwrite others of the batch end in\n"
         "                              \"[collision]\"\n"},
        {"", "--overwrite", false, [](O& o, V) { o.overwrite = true; },
         "      --overwrite             run even when outputs of the batch would overwrite each other\n"},
        {"", "--grace", true, [](O& o, V value) { o.graceSeconds = toCount(QStringLiteral("--grace"), value, 0); },
         "      --grace SECONDS         after Ctrl-C or SIGTERM, wait this long for the running execution to\n"
         "                              end, then remove unfinished files and exit anyway (default 5)\n"},
        {"-q", "--quiet", false, [](O& o, V) { o.quiet = true; }, "  -q, --quiet                 no progress\n"},
        {"-h", "--help", false, [](O& o, V) { o.help = true; }, "  -h, --help, -v, --version\n"},
        {"-v", "--version", false, [](O& o, V) { o.version = true; }, ""},
    };
    return rows;
}

namespace {

// The row of an option given by its short or long name, or null.
const OptionRow* findOption(const QString& name)
{
    for (const OptionRow& row : optionTable()) {
        if (name == QLatin1String(row.longName) || (*row.shortName && name == QLatin1String(row.shortName)))
            return &row;
    }
    return nullptr;
}

const QStringList& resultsCommands()
{
    static const QStringList commands{QStringLiteral("table"), QStringLiteral("report"), QStringLiteral("verify"),
                                      QStringLiteral("rerun"), QStringLiteral("split")};
    return commands;
}

// vorne-batch table|report|verify|rerun [-o TARGET] [--force] [--verify] JOURNAL..., split -o DIR FILE...
Options parseResultsCommand(const QStringList& arguments)
{
    Options options;
    options.command = arguments.first();
    const auto is = [&options](const char* command) { return options.command == QLatin1String(command); };
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if ((argument == QLatin1String("-o") || argument == QLatin1String("--output")) && !is("verify")) {
            if (i + 1 >= arguments.size())
                throw UsageError(QStringLiteral("%1 needs a value").arg(argument).toStdString());
            QString& target = is("table") ? options.table : is("report") ? options.report : options.outputDirs[QString()];
            target = arguments.at(++i);
        } else if (argument == QLatin1String("--force") && is("rerun")) {
            options.force = true;
        } else if (argument == QLatin1String("--verify") && is("report")) {
            options.verify = true;
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            options.help = true;
        } else if (argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-")) {
            throw UsageError(QStringLiteral("unknown option '%1' of %2").arg(argument, options.command).toStdString());
        } else {
            (is("split") ? options.files : options.journals) << argument;
        }
    }
    if (options.journals.isEmpty() && options.files.isEmpty() && !options.help)
        throw UsageError(QStringLiteral("%1 needs at least one %2")
                             .arg(options.command, is("split") ? "file" : "journal")
                             .toStdString());
    if (is("report") && options.report.isEmpty() && !options.help)
        throw UsageError("report needs -o DIR");
    if ((is("rerun") || is("split")) && options.outputDirs.value(QString()).isEmpty() && !options.help)
        throw UsageError(QStringLiteral("%1 needs -o DIR").arg(options.command).toStdString());
    return options;
}

} // namespace

QPair<QString, QString> splitPortValue(const QString& text)
{
    const int equals = text.indexOf(QLatin1Char('='));
    if (equals < 0)
        return {QString(), text};
    return {text.left(equals), text.mid(equals + 1)};
}

Options parseOptions(const QStringList& arguments)
{
    if (!arguments.isEmpty() && resultsCommands().contains(arguments.first()))
        return parseResultsCommand(arguments);
    Options options;
    QStringList files;
    bool onlyFiles = false;
    for (int i = 0; i < arguments.size(); ++i) {
        QString argument = arguments.at(i);
        if (onlyFiles || argument == QLatin1String("-") || !argument.startsWith(QLatin1Char('-'))) {
            files << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            onlyFiles = true;
            continue;
        }
        if (const OptionRow* flag = findOption(argument); flag && !flag->takesValue) {
            flag->apply(options, QString());
            continue;
        }
        QString name = argument;
        QString value;
        bool hasValue = false;
        if (argument.startsWith(QLatin1String("--"))) {
            const int equals = argument.indexOf(QLatin1Char('='));
            if (equals > 0) {
                name = argument.left(equals);
                value = argument.mid(equals + 1);
                hasValue = true;
            }
        } else if (argument.size() > 2) { // -j2, -ifoo=bar
            name = argument.left(2);
            value = argument.mid(2);
            hasValue = true;
        }
        const OptionRow* known = findOption(name);
        if (!known || !known->takesValue)
            throw UsageError(QStringLiteral("unknown option '%1'").arg(argument).toStdString());
        name = QString::fromLatin1(known->longName);
        if (!hasValue) {
            if (i + 1 >= arguments.size())
                throw UsageError(QStringLiteral("%1 needs a value").arg(name).toStdString());
            value = arguments.at(++i);
        }
        known->apply(options, value);
    }
    if (options.help || options.version)
        return options;
    if (files.isEmpty())
        throw UsageError("no graph file given");
    if (files.size() > 1)
        throw UsageError(QStringLiteral("one graph file only; also given: '%1'")
                             .arg(files.mid(1).join(QStringLiteral("', '")))
                             .toStdString());
    options.graph = files.first();
    return options;
}

QString usageText()
{
    QString text = QStringLiteral(
        "Usage: vorne-batch [OPTIONS] GRAPH\n"
        "Runs GRAPH once per batch index, without a display, and saves its outputs as VORNE does.\n"
        "\n");
    for (const OptionRow& row : optionTable())
        text += QLatin1String(row.usage);
    return text + QStringLiteral(
        "\n"
        "\n"
        "       vorne-batch table [-o FILE] JOURNAL...   one table from the journals of many runs or shards\n"
        "                                               (standard output without -o)\n"
        "       vorne-batch report [--verify] -o DIR JOURNAL...\n"
        "                                               one report from them; --verify marks outputs whose\n"
        "                                               files changed since the run\n"
        "       vorne-batch verify JOURNAL...            check that every saved output they record exists\n"
        "                                               with its checksum; lists what is missing or changed\n"
        "       vorne-batch rerun [--force] -o DIR JOURNAL...\n"
        "                                               run the recorded batch again into DIR and compare\n"
        "                                               the new outputs with the recorded checksums\n"
        "       vorne-batch split -o DIR FILE...         one TIFF per channel and time point of each\n"
        "                                               multi-channel or time-lapse FILE, a Z stack each:\n"
        "                                               DIR/<base>_c<C>_t<T>.tif; prints the files written\n"
        "\n"
        "Exit status: 0 all executed indices succeeded, 1 some failed (verify: outputs missing or changed;\n"
        "rerun: outputs that differ or could not be compared; split: a file that could not be split),\n"
        "2 bad usage, unreadable graph or missing inputs, outputs that would overwrite each other, or a\n"
        "table or report that could not be written, 130 interrupted.\n");
}

} // namespace VORNE::batch
