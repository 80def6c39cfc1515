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

// Long names of the options that take a value, with their short forms.
const QMap<QString, QString>& valueOptions()
{
    static const QMap<QString, QString> names{
        {QStringLiteral("-i"), QStringLiteral("--input")},   {QStringLiteral("-o"), QStringLiteral("--output-dir")},
        {QStringLiteral("-p"), QStringLiteral("--param")},   {QStringLiteral("-t"), QStringLiteral("--threads")},
        {QStringLiteral("-j"), QStringLiteral("--jobs")},    {QStringLiteral("--input"), {}},
        {QStringLiteral("--output-dir"), {}},                {QStringLiteral("--pattern"), {}},
        {QStringLiteral("--suffix"), {}},                    {QStringLiteral("--param"), {}},
        {QStringLiteral("--params"), {}},                    {QStringLiteral("--threads"), {}},
        {QStringLiteral("--jobs"), {}},                      {QStringLiteral("--range"), {}},
        {QStringLiteral("--shard"), {}},                     {QStringLiteral("--journal"), {}},
    };
    return names;
}

void applyValue(Options& options, const QString& name, const QString& value)
{
    if (name == QLatin1String("--input")) {
        const int equals = value.indexOf(QLatin1Char('='));
        if (equals <= 0)
            throw UsageError(QStringLiteral("--input needs PORT=SOURCE, not '%1'").arg(value).toStdString());
        options.inputs.append({value.left(equals), value.mid(equals + 1)});
    } else if (name == QLatin1String("--output-dir")) {
        putPortValue(options.outputDirs, value);
    } else if (name == QLatin1String("--pattern")) {
        putPortValue(options.patterns, value);
    } else if (name == QLatin1String("--suffix")) {
        putPortValue(options.suffixes, value);
    } else if (name == QLatin1String("--param")) {
        const int equals = value.indexOf(QLatin1Char('='));
        if (equals <= 0)
            throw UsageError(QStringLiteral("--param needs KEY=VALUE, not '%1'").arg(value).toStdString());
        options.params.append({value.left(equals), value.mid(equals + 1)});
    } else if (name == QLatin1String("--params")) {
        options.paramFiles << value;
    } else if (name == QLatin1String("--threads")) {
        options.threads = toCount(name, value, 0);
    } else if (name == QLatin1String("--jobs")) {
        options.jobs = toCount(name, value, 1);
    } else if (name == QLatin1String("--range")) {
        parseRange(options, value);
    } else if (name == QLatin1String("--shard")) {
        parseShard(options, value);
    } else if (name == QLatin1String("--journal")) {
        options.journal = value;
    }
}

bool applyFlag(Options& options, const QString& name)
{
    if (name == QLatin1String("--dry-run"))
        options.dryRun = true;
    else if (name == QLatin1String("-q") || name == QLatin1String("--quiet"))
        options.quiet = true;
    else if (name == QLatin1String("-h") || name == QLatin1String("--help"))
        options.help = true;
    else if (name == QLatin1String("-v") || name == QLatin1String("--version"))
        options.version = true;
    else
        return false;
    return true;
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
        if (applyFlag(options, argument))
            continue;
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
        const auto known = valueOptions().constFind(name);
        if (known == valueOptions().constEnd())
            throw UsageError(QStringLiteral("unknown option '%1'").arg(argument).toStdString());
        if (!known.value().isEmpty())
            name = known.value();
        if (!hasValue) {
            if (i + 1 >= arguments.size())
                throw UsageError(QStringLiteral("%1 needs a value").arg(name).toStdString());
            value = arguments.at(++i);
        }
        applyValue(options, name, value);
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
    return QStringLiteral(
        "Usage: vorne-batch [OPTIONS] GRAPH\n"
        "Runs GRAPH once per batch index, without a display, and saves its outputs as VORNE does.\n"
        "\n"
        "  -i, --input PORT=SOURCE     add items to input port PORT (index or name), in the order given\n"
        "                              (repeatable). SOURCE is @LIST (a text list of image files), DIR/ (its\n"
        "                              image files, sorted by name), a quoted glob such as 'data/*.png'\n"
        "                              (sorted), FILE (one image file), or one typed item: long:N, double:X,\n"
        "                              string:S, bool:B, vector:TEXT\n"
        "  -o, --output-dir [PORT=]DIR   default: the current directory\n"
        "      --pattern [PORT=]PATTERN  default \"%i0_%o\"\n"
        "      --suffix [PORT=]SUFFIX    default \".pxm\"\n"
        "                              (without PORT= the value serves every port)\n"
        "  -p, --param KEY=VALUE       set a graph parameter; KEY may be a key path, VALUE is text-serialized\n"
        "                              (a bare word that is no value is taken as a string)\n"
        "      --params FILE           merge a parameter map (XML as VORNE shows it, or text)\n"
        "  -t, --threads N             scheduler threads (0 = one per processor; default 0)\n"
        "  -j, --jobs N                run N batch indices at a time in N worker processes (default 1)\n"
        "      --range FIRST:LAST      only these batch indices (inclusive, 0-based)\n"
        "      --shard I/N | auto      only indices k with k mod N = I; auto reads SLURM_ARRAY_TASK_ID and\n"
        "                              SLURM_ARRAY_TASK_COUNT (less SLURM_ARRAY_TASK_MIN)\n"
        "      --journal FILE          append one JSON line per finished index; a rerun skips indices\n"
        "                              recorded as done with the same inputs and digest whose files exist\n"
        "      --dry-run               check the graph and every input, print the batch plan, run nothing\n"
        "  -q, --quiet                 no progress\n"
        "  -h, --help, -v, --version\n"
        "\n"
        "Exit status: 0 all executed indices succeeded, 1 some failed, 2 bad usage, unreadable graph or\n"
        "missing inputs, 130 interrupted.\n");
}

} // namespace VORNE::batch
