#pragma once
// One value of a batch: an entry of an input port's list or one result at an output port.
//
// The value is kept as text with a type, a status and an optional error message, all in a role map that
// item views read through the usual data roles. toCValue() turns the item into a new library value when
// the graph or a viewer needs one.
//
// Threads: items live on the GUI thread, but during a run the executor's thread converts input items
// (toCValue, type, valueText) while the viewers on the GUI thread may rewrite their display state. The
// role map and the image handle are therefore guarded by a read-write lock that is held only for the one
// map access (or the one handle swap or clone) and never while a signal is emitted, a value is parsed or a
// file is read: the GUI thread waits at most for another thread's single map lookup, never for a
// conversion. Every conversion builds its own serializer, so concurrent conversions share no state.
#include <QMap>
#include <QObject>
#include <QReadWriteLock>
#include <QString>
#include <QVariant>

#include <atomic>

namespace KORA {
class CValue;
class CValueMap;
class CValueSmart;
class CValueVector;
} // namespace KORA

namespace VORNE {

class ItemModel;

class Item : public QObject
{
    Q_OBJECT

public:
    // Above the Qt roles.
    enum Role {
        StatusRole = 1000,
        TypeRole = 1001,
        ValueRole = 1002, // the value as text
        DisplayStateRole = 1004,
        ErrorRole = 1005, // a null string means no error
        // Output items: why inputs of their step could not be read, one line per input (the step itself
        // usually fails later for the missing value); a null string when all were read.
        InputErrorRole = 1006,
        // Output items of a saved image: the content checksum of the file's bytes (items/checksum.h).
        ChecksumRole = 1007
    };

    enum Type {
        UndefinedType = 1000,
        NoValueType = 1001, // an output without a result; the text is the file name it would have had
        LongType = 1002,
        DoubleType = 1003,
        StringType = 1004,
        BoolType = 1005,
        VectorType = 1006, // text serialization of a vector
        MapType = 1007,    // text serialization of a map
        ImageFileType = 1008,
        ImageHandleType = 1009 // the text is a label; the value is the image handle
    };

    enum Status {
        OkStatus = 1000,
        WarningStatus = 1001, // set with every non-null error message
        ErrorStatus = 1002    // an output that produced no result
    };

    // How the execution that made an output item ended for it: a plain member, not a role, so that
    // counting failures never depends on a translated text and setting it emits nothing. Written by the
    // executor before the caller takes the item; Done for every other item.
    enum Outcome {
        Done = 0,
        Failed = 1, // the execution failed, or the port gave no usable value
        Unsaved = 2 // the execution gave an image that could not be written
    };

    // Written only by the viewers.
    enum DisplayState {
        NotDisplayed = 0,
        DisplayedHidden = 1, // held by a hidden viewer window
        DisplayedVisible = 2 // shown in a visible viewer window
    };

    explicit Item(QObject* parent = nullptr);
    Item(const QString& text, int type, QObject* parent = nullptr);
    ~Item() override;

    // Emits dataChanged(role) only when the value really changes.
    virtual void setData(int role, const QVariant& value);
    virtual QVariant data(int role) const;

    void setValue(const QString& text, int type);
    void setValue(qint32 value);
    void setValue(double value);
    void setValue(bool value);
    void setValue(const QString& text);
    // Without this a string literal would pick the bool overload.
    void setValue(const char* text) { setValue(QString::fromUtf8(text)); }
    // Serialized as text; a value that cannot be serialized leaves what was written followed by "???".
    void setValue(const KORA::CValueVector* vector);
    void setValue(const KORA::CValueMap* map);
    // Takes the value over; it is kept in a shared handle so that viewers can hold it too.
    void setImageHandle(KORA::CValue* value, const QString& text);
    void setStatus(int status);
    void setType(int type);
    void setDisplayState(int state);
    void setErrorMessage(const QString& message);
    void setOutcome(Outcome outcome) { m_outcome = outcome; }

    QString valueText() const;
    int type() const;
    int status() const;
    int displayState() const;
    QString errorMessage() const;
    Outcome outcome() const { return m_outcome; }

    // The parent when it is an ItemModel, else null.
    ItemModel* model() const;
    // The row in the model, or -1.
    int row() const;
    // Drops every connection to the previous model and makes model the parent.
    void setModel(ItemModel* model);

    // What a list view shows: the value (first line only for vectors and maps) or the error.
    QString summaryText() const;
    // The tool-tip: the type, the whole value and the error.
    QString detailText() const;

    // Status icons, fonts and brushes need the GUI, so the GUI layer answers Qt::DecorationRole,
    // Qt::FontRole and Qt::ForegroundRole for every item once it has set its answer; without it (the
    // headless runner) those roles are invalid.
    using Decoration = QVariant (*)(const Item& item, int role);
    static void setDecoration(Decoration decoration);

    // A new library value the caller owns, or null when the item has none or conversion fails (the
    // reason goes to standard error). Safe to call from any thread.
    KORA::CValue* toCValue() const;
    // The same; when there is no value although the item has one, reason receives the decoder's or the
    // loader plug-in's own words (without the file name).
    KORA::CValue* toCValue(QString* reason) const;

signals:
    void dataChanged(int role);

private:
    QVariant roleValue(int role) const;
    void setSerializedValue(const KORA::CValue* value, int type, const char* what);
    KORA::CValue* imageFileValue(const QString& path, QString* reason) const;

    friend class ItemModel;

    mutable QReadWriteLock m_lock;
    QMap<int, QVariant> m_roles;
    // Where the model appended this item: spares long batches a search for every item's row. Only a hint,
    // checked before use, since rows move and go.
    std::atomic<int> m_appendedRow{-1};
    KORA::CValueSmart* m_imageHandle = nullptr;
    // Written by one thread (the executor's, or the thread of a save behind) before another takes the
    // item over, so it needs no lock.
    Outcome m_outcome = Done;
};

} // namespace VORNE
