#pragma once
// The batch report: a folder with index.html, page-2.html, ... (at most 500 rows each) and the thumbnails
// they show, readable offline in any browser and well-formed XHTML. index.html starts with the batch (graph,
// digest, parameters, counts, duration, date, hosts), what produced it (build, library versions, plug-ins,
// command line, host) and a histogram per numeric output port; every page
// has one row per index with a thumbnail of each image input and output, then the other values, status,
// error and time. Written page by page from the records, so that memory does not grow with the batch.
#include <QDir>
#include <QString>

#include <map>
#include <nlohmann/json.hpp>
#include <vector>

namespace VORNE {

class RecordIndex;

class ReportWriter
{
public:
    static constexpr int kRowsPerPage = 500;

    ReportWriter(const RecordIndex& records, const QString& folder);
    // What a run knows better than its records (which also hold the indices it skipped as done): its own
    // counts and its wall time. Without it the counts are the records' and the duration their sum.
    void setRun(int done, int failed, int skipped, qint64 milliseconds);
    // Marks each output whose file is missing or holds other bytes than the run saved (reads every file).
    void setVerify(bool verify) { m_verify = verify; }
    // Throws std::runtime_error naming the file that could not be written.
    void write();

    // "index.html" for the first page, "page-N.html" for page N.
    static QString pageName(int page);

private:
    struct Column
    {
        bool input;
        int port;
        bool image;
        QString title;
    };

    void survey();
    void writePage(int page, const std::vector<nlohmann::json>& rows);
    // Thumbnail file name (relative to the folder) -> the reason it could not be drawn.
    std::map<QString, QString> drawThumbnails(const std::vector<nlohmann::json>& rows) const;
    QString summaryHtml() const;
    QString provenanceHtml() const;
    QString navigationHtml(int page) const;
    QString tableHeadHtml() const;
    QString rowHtml(const nlohmann::json& record, const std::map<QString, QString>& failures) const;
    QString cellHtml(const Column& column, int index, const nlohmann::json& entry,
                     const std::map<QString, QString>& failures) const;

    const RecordIndex& m_records;
    QDir m_folder;
    std::vector<Column> m_columns;
    std::map<int, std::vector<double>> m_numbers; // per output port
    int m_done = 0;
    int m_failed = 0;
    int m_skipped = 0;
    qint64 m_milliseconds = 0;
    bool m_runGiven = false;
    bool m_verify = false;
    int m_pages = 1;
};

} // namespace VORNE
