#include "results/report.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QThreadPool>
#include <QUrl>

#include <stdexcept>

#include "results/histogram.h"
#include "results/indexrecord.h"
#include "results/recordindex.h"
#include "results/resultstable.h"
#include "results/savedoutput.h"
#include "results/thumbnail.h"

namespace VORNE {

namespace {

const char* const kStyle =
    "body{font-family:sans-serif;margin:1em;color:#222}"
    "table{border-collapse:collapse}td,th{border:1px solid #ccc;padding:3px 6px;vertical-align:top;text-align:left}"
    "table.summary th{background:#f3f3f3}pre{margin:0;font-size:85%}"
    "table.results img{height:128px;max-width:256px;display:block;image-rendering:pixelated}"
    "tr.failed{background:#fde2e2}td.error{color:#a00}span.changed{color:#a00;font-weight:bold;display:block}"
    "span.name{font-size:80%;color:#555}"
    "figure{display:inline-block;margin:0 1em 1em 0}svg.histogram rect{fill:#4a7ab5}"
    "svg.histogram text{font-size:11px;fill:#333}nav{margin:1em 0}nav a,nav span{margin-right:.5em}";

// Text as XML character data or attribute value: markup escaped, characters XML cannot hold dropped.
QString xml(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == '&')
            result += QLatin1String("&amp;");
        else if (u == '<')
            result += QLatin1String("&lt;");
        else if (u == '>')
            result += QLatin1String("&gt;");
        else if (u == '"')
            result += QLatin1String("&quot;");
        else if ((u >= 0x20 && u != 0xFFFE && u != 0xFFFF) || u == '\t' || u == '\n' || u == '\r')
            result += c;
    }
    return result;
}

const nlohmann::json& entryOf(const nlohmann::json& record, bool input, int port)
{
    static const nlohmann::json none = nlohmann::json::object();
    const auto list = record.find(input ? "inputs" : "outputs");
    if (list == record.end() || !list->is_array() || port >= static_cast<int>(list->size()))
        return none;
    const nlohmann::json& entry = (*list)[static_cast<std::size_t>(port)];
    return entry.is_object() ? entry : none;
}

bool isImage(const nlohmann::json& entry)
{
    return recordText(entry, "type") == QLatin1String("image file");
}

QString thumbnailName(int index, bool input, int port)
{
    return QStringLiteral("thumbs/%1-%2%3.png").arg(index).arg(input ? QLatin1Char('i') : QLatin1Char('o')).arg(port);
}

void saveText(const QString& path, const QString& content)
{
    QSaveFile file(path);
    const QByteArray bytes = content.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw std::runtime_error(
            QStringLiteral("could not write the report page '%1': %2").arg(path, file.errorString()).toStdString());
}

} // namespace

ReportWriter::ReportWriter(const RecordIndex& records, const QString& folder) : m_records(records), m_folder(folder)
{
}

QString ReportWriter::pageName(int page)
{
    return page <= 1 ? QStringLiteral("index.html") : QStringLiteral("page-%1.html").arg(page);
}

void ReportWriter::setRun(int done, int failed, int skipped, qint64 milliseconds)
{
    m_done = done;
    m_failed = failed;
    m_skipped = skipped;
    m_milliseconds = milliseconds;
    m_runGiven = true;
}

void ReportWriter::survey()
{
    std::vector<bool> imageInputs(static_cast<std::size_t>(m_records.inputCount()), false);
    std::vector<bool> imageOutputs(static_cast<std::size_t>(m_records.outputCount()), false);
    int done = 0, failed = 0;
    qint64 milliseconds = 0;
    m_records.forEach([&](const nlohmann::json& record) {
        (recordText(record, "status") == QLatin1String("done") ? done : failed)++;
        milliseconds += record.value("ms", qint64(0));
        for (std::size_t port = 0; port < imageInputs.size(); ++port)
            imageInputs[port] = imageInputs[port] || isImage(entryOf(record, true, int(port)));
        for (std::size_t port = 0; port < imageOutputs.size(); ++port) {
            const nlohmann::json& entry = entryOf(record, false, int(port));
            imageOutputs[port] = imageOutputs[port] || isImage(entry);
            const QString type = recordText(entry, "type");
            if (type == QLatin1String("long") || type == QLatin1String("double"))
                m_numbers[int(port)].push_back(recordText(entry, "value").toDouble());
        }
    });
    if (!m_runGiven) {
        m_done = done;
        m_failed = failed;
        m_milliseconds = milliseconds;
    }

    const QStringList titles = tableColumns(m_records).mid(1);
    // Pictures first, side by side, then the values.
    for (const bool image : {true, false}) {
        for (std::size_t port = 0; port < imageInputs.size(); ++port)
            if (imageInputs[port] == image)
                m_columns.push_back({true, int(port), image, titles.value(int(port))});
        for (std::size_t port = 0; port < imageOutputs.size(); ++port)
            if (imageOutputs[port] == image)
                m_columns.push_back({false, int(port), image, titles.value(int(imageInputs.size() + port))});
    }
    m_pages = std::max(1, (m_records.size() + kRowsPerPage - 1) / kRowsPerPage);
}

void ReportWriter::write()
{
    if (!m_folder.mkpath(QStringLiteral("thumbs")))
        throw std::runtime_error(
            QStringLiteral("could not create the report folder '%1'").arg(m_folder.path()).toStdString());
    survey();
    std::vector<nlohmann::json> rows;
    int page = 1;
    m_records.forEach([&](const nlohmann::json& record) {
        rows.push_back(record);
        if (static_cast<int>(rows.size()) == kRowsPerPage) {
            writePage(page++, rows);
            rows.clear();
        }
    });
    if (!rows.empty() || page == 1)
        writePage(page, rows);
}

std::map<QString, QString> ReportWriter::drawThumbnails(const std::vector<nlohmann::json>& rows) const
{
    struct Job
    {
        QString source;
        QString name;
        QString target;
        QString failure;
    };
    std::vector<Job> jobs;
    for (const nlohmann::json& record : rows)
        for (const Column& column : m_columns) {
            const nlohmann::json& entry = entryOf(record, column.input, column.port);
            if (!column.image || !isImage(entry))
                continue;
            const QString name = thumbnailName(record.value("index", 0), column.input, column.port);
            jobs.push_back({recordText(entry, "value"), name, m_folder.filePath(name), QString()});
        }
    QThreadPool pool;
    for (Job& job : jobs)
        pool.start([&job] { job.failure = writeThumbnail(job.source, job.target); });
    pool.waitForDone();
    std::map<QString, QString> failures;
    for (const Job& job : jobs)
        if (!job.failure.isNull())
            failures[job.name] = job.failure;
    return failures;
}

void ReportWriter::writePage(int page, const std::vector<nlohmann::json>& rows)
{
    const std::map<QString, QString> failures = drawThumbnails(rows);
    const QString title = QStringLiteral("Batch report: %1").arg(QFileInfo(m_records.header().graph).fileName());
    QString html = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n"
                                  "<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\"><head>"
                                  "<meta charset=\"UTF-8\"/><title>%1</title><style>%2</style></head>\n<body>"
                                  "<h1>%1</h1>\n")
                       .arg(xml(title), QLatin1String(kStyle));
    if (page == 1)
        html += summaryHtml();
    html += navigationHtml(page);
    html += QStringLiteral("<table class=\"results\">") + tableHeadHtml() + QStringLiteral("<tbody>\n");
    for (const nlohmann::json& record : rows)
        html += rowHtml(record, failures);
    html += QStringLiteral("</tbody></table>\n") + navigationHtml(page) + QStringLiteral("</body></html>\n");
    saveText(m_folder.filePath(pageName(page)), html);
}

QString ReportWriter::summaryHtml() const
{
    const BatchHeader& header = m_records.header();
    const auto row = [](const char* name, const QString& cell) {
        return QStringLiteral("<tr><th>%1</th><td>%2</td></tr>\n").arg(QLatin1String(name), cell);
    };
    QString html = QStringLiteral("<table class=\"summary\">\n");
    html += row("graph", xml(header.graph));
    html += row("digest", QStringLiteral("<code>%1</code>").arg(xml(header.digest)));
    html += row("parameters", QStringLiteral("<pre>%1</pre>").arg(xml(header.parameters)));
    html += row("indices", QStringLiteral("<span class=\"done\">%1</span> done, <span class=\"failed\">%2</span> "
                                          "failed, <span class=\"skipped\">%3</span> skipped")
                               .arg(m_done)
                               .arg(m_failed)
                               .arg(m_skipped));
    html += row("duration", xml(formatDuration(m_milliseconds) +
                                (m_runGiven ? QString() : QStringLiteral(" (sum of the indices' times)"))));
    html += row("date", xml(header.started.isValid() ? header.started.toString(Qt::ISODate) : QString()));
    html += row("host", xml(header.hosts.join(QStringLiteral(", "))));
    html += QStringLiteral("</table>\n") + provenanceHtml();
    const QStringList titles = tableColumns(m_records).mid(1 + m_records.inputCount());
    for (const auto& [port, values] : m_numbers)
        html += QStringLiteral("<figure><figcaption>%1</figcaption>%2</figure>\n")
                    .arg(xml(titles.value(port)), svgHistogram(values));
    return html;
}

QString ReportWriter::provenanceHtml() const
{
    const nlohmann::json& provenance = m_records.header().provenance;
    if (!provenance.is_object())
        return QString();
    const auto field = [&provenance](const char* key) {
        const auto found = provenance.find(key);
        return found == provenance.end() ? nlohmann::json() : *found;
    };
    const auto row = [](const char* name, const QString& cell) {
        return QStringLiteral("<tr><th>%1</th><td>%2</td></tr>\n").arg(QLatin1String(name), cell);
    };
    const nlohmann::json build = field("build");
    QString html = QStringLiteral("<h2>Provenance</h2>\n<table class=\"summary provenance\">\n");
    html += row("build", xml(QStringLiteral("VORNE %1, revision %2, built %3")
                                 .arg(recordText(build, "version"), recordText(build, "revision"),
                                      recordText(build, "date"))));
    QStringList versions;
    const nlohmann::json libraries = field("versions");
    if (libraries.is_object())
        for (auto it = libraries.begin(); it != libraries.end(); ++it)
            versions << QString::fromStdString(it.key()) + QLatin1Char(' ') + recordText(libraries, it.key().c_str());
    html += row("versions", xml(versions.join(QStringLiteral(", "))));
    QString plugins;
    const nlohmann::json loaded = field("plugins");
    for (const nlohmann::json& plugin : loaded.is_array() ? loaded : nlohmann::json::array())
        plugins += QStringLiteral("%1  xxh3 %2\n").arg(recordText(plugin, "path"), recordText(plugin, "xxh3"));
    html += row("plug-ins", QStringLiteral("<pre>%1</pre>").arg(xml(plugins)));
    QStringList command;
    const nlohmann::json arguments = field("command");
    for (const nlohmann::json& argument : arguments.is_array() ? arguments : nlohmann::json::array()) {
        // Quoted as a shell would need it, so that the line can be pasted back.
        QString text = argument.is_string() ? QString::fromStdString(argument.get<std::string>()) : QString();
        static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:=@%+,-]+$"));
        if (!plain.match(text).hasMatch())
            text = QLatin1Char('\'') + text.replace(QLatin1Char('\''), QLatin1String("'\\''")) + QLatin1Char('\'');
        command << text;
    }
    html += row("command line", QStringLiteral("<pre>%1</pre>").arg(xml(command.join(QLatin1Char(' ')))));
    html += row("host", xml(QStringLiteral("%1, %2 processors")
                                .arg(recordText(provenance, "host"), recordText(provenance, "processors"))));
    return html + QStringLiteral("</table>\n");
}

QString ReportWriter::navigationHtml(int page) const
{
    if (m_pages == 1)
        return QString();
    // Every page within ten of this one, and the first and the last: short on a batch of any size.
    QString html = QStringLiteral("<nav>Pages: ");
    for (int other = 1; other <= m_pages; ++other) {
        if (other != 1 && other != m_pages && std::abs(other - page) > 10)
            continue;
        html += other == page ? QStringLiteral("<span>%1</span>").arg(other)
                              : QStringLiteral("<a href=\"%1\">%2</a>").arg(pageName(other)).arg(other);
    }
    return html + QStringLiteral("</nav>\n");
}

QString ReportWriter::tableHeadHtml() const
{
    QString html = QStringLiteral("<thead><tr><th>index</th>");
    for (const Column& column : m_columns)
        html += QStringLiteral("<th>%1</th>").arg(xml(column.title));
    return html + QStringLiteral("<th>status</th><th>error</th><th>ms</th></tr></thead>");
}

QString ReportWriter::rowHtml(const nlohmann::json& record, const std::map<QString, QString>& failures) const
{
    const int index = record.value("index", 0);
    const QString status = recordText(record, "status");
    QString html = QStringLiteral("<tr id=\"index-%1\" class=\"%2\"><td>%1</td>").arg(index).arg(xml(status));
    for (const Column& column : m_columns)
        html += cellHtml(column, index, entryOf(record, column.input, column.port), failures);
    html += QStringLiteral("<td>%1</td><td class=\"error\">%2</td><td>%3</td></tr>\n")
                .arg(xml(status), xml(recordText(record, "error")), xml(recordText(record, "ms")));
    return html;
}

QString ReportWriter::cellHtml(const Column& column, int index, const nlohmann::json& entry,
                               const std::map<QString, QString>& failures) const
{
    const QString value = recordText(entry, "value");
    if (!column.image || !isImage(entry))
        return QStringLiteral("<td>%1</td>").arg(xml(oneLine(value)));
    const QString name = thumbnailName(index, column.input, column.port);
    const QString link = QUrl::fromLocalFile(QFileInfo(value).absoluteFilePath()).toString(QUrl::FullyEncoded);
    const auto failure = failures.find(name);
    const QString picture = failure == failures.end()
                                ? QStringLiteral("<img src=\"%1\" alt=\"%2\"/>").arg(name, xml(QFileInfo(value).fileName()))
                                : QStringLiteral("<span class=\"error\">%1</span>").arg(xml(failure->second));
    QString mark;
    if (m_verify && !column.input) {
        const SavedState state = checkSavedFile(entry);
        if (state == SavedState::Missing || state == SavedState::Changed)
            mark = QStringLiteral("<span class=\"changed\">file %1 since the run</span>")
                       .arg(state == SavedState::Missing ? QStringLiteral("gone") : QStringLiteral("changed"));
    }
    return QStringLiteral("<td><a href=\"%1\">%2</a><span class=\"name\">%3</span>%4</td>")
        .arg(xml(link), picture, xml(QFileInfo(value).fileName()), mark);
}

} // namespace VORNE
