#include "items/item.h"

#include <QReadLocker>
#include <QWriteLocker>

#include <atomic>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "items/imageloaders.h"
#include "items/itemmodel.h"
#include "kora/kora.h"

namespace VORNE {

namespace {

std::atomic<Item::Decoration> g_decoration{nullptr};

const char* typePrefix(int type)
{
    switch (type) {
    case Item::UndefinedType:
        return "Undefined value:\n";
    case Item::LongType:
        return "Long:\n";
    case Item::DoubleType:
        return "Double:\n";
    case Item::StringType:
        return "String:\n";
    case Item::BoolType:
        return "Bool:\n";
    case Item::VectorType:
        return "Vector:\n";
    case Item::ImageFileType:
        return "Image file:\n";
    default:
        return "";
    }
}

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
bool isNumber(int typeId)
{
    switch (typeId) {
    case QMetaType::Bool:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}
#endif

// "Equal" as Qt 5's QVariant comparison has it: numbers by value, other types after converting the new value
// to the stored one's type (or, failing that, the other way round), so "1" equals QByteArray("1"). Qt 6's
// comparison only converts between numbers and strings; without this a Qt 6 build would signal changes that a
// Qt 5 build does not.
bool sameValue(const QVariant& stored, const QVariant& value)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    const QMetaType to = stored.metaType();
    const QMetaType from = value.metaType();
    if (to == from || (isNumber(to.id()) && isNumber(from.id())))
        return stored == value;
    if (!stored.isValid() || !value.isValid())
        return false;
    QVariant converted = value;
    if (converted.canConvert(to))
        return converted.convert(to) && converted == stored;
    converted = stored;
    return converted.convert(from) && converted == value;
#else
    return stored == value;
#endif
}

} // namespace

Item::Item(QObject* parent)
    : Item(QString(), UndefinedType, parent)
{
}

Item::Item(const QString& text, int type, QObject* parent)
    : QObject(parent)
{
    m_roles.insert(StatusRole, int(OkStatus));
    m_roles.insert(ValueRole, text);
    m_roles.insert(TypeRole, type);
    m_roles.insert(DisplayStateRole, int(NotDisplayed));
}

Item::~Item()
{
    delete m_imageHandle;
}

void Item::setData(int role, const QVariant& value)
{
    if (sameValue(data(role), value))
        return;
    {
        QWriteLocker locker(&m_lock);
        m_roles.insert(role, value);
    }
    emit dataChanged(role);
}

QVariant Item::data(int role) const
{
    switch (role) {
    case Qt::DisplayRole:
        return summaryText();
    case Qt::ToolTipRole:
    case Qt::StatusTipRole:
    case Qt::WhatsThisRole:
        return detailText();
    case Qt::DecorationRole:
    case Qt::FontRole:
    case Qt::ForegroundRole: {
        const Decoration decoration = g_decoration.load();
        return decoration ? decoration(*this, role) : QVariant();
    }
    case Qt::EditRole:
    case Qt::TextAlignmentRole:
    case Qt::BackgroundRole:
    case Qt::SizeHintRole:
        return QVariant();
    default:
        return roleValue(role);
    }
}

QVariant Item::roleValue(int role) const
{
    QReadLocker locker(&m_lock);
    return m_roles.value(role);
}

void Item::setDecoration(Decoration decoration)
{
    g_decoration.store(decoration);
}

void Item::setValue(const QString& text, int type)
{
    setData(ValueRole, text);
    setData(TypeRole, type);
}

void Item::setValue(qint32 value)
{
    setValue(QString::number(value, 10), LongType);
}

void Item::setValue(double value)
{
    setValue(QString::number(value, 'g', 6), DoubleType);
}

void Item::setValue(bool value)
{
    setValue(value ? QStringLiteral("true") : QStringLiteral("false"), BoolType);
}

void Item::setValue(const QString& text)
{
    setValue(text, StringType);
}

void Item::setValue(const KORA::CValueVector* vector)
{
    setSerializedValue(vector, VectorType, "vector");
}

void Item::setValue(const KORA::CValueMap* map)
{
    setSerializedValue(map, MapType, "map");
}

void Item::setSerializedValue(const KORA::CValue* value, int type, const char* what)
{
    std::ostringstream stream;
    if (value) {
        try {
            KORA::CTextSerializer(true, false, nullptr).Serialize(*value, stream);
        } catch (const KORA::CExIo& e) {
            std::cerr << "Item::setValue() " << "Failed to serialize " << what << ": " << e.what() << std::endl;
            stream.clear();
            stream << "???";
        }
    }
    setValue(QString::fromStdString(stream.str()), type);
}

void Item::setImageHandle(KORA::CValue* value, const QString& text)
{
    auto* handle = new KORA::CValueSmart(value);
    KORA::CValueSmart* previous = nullptr;
    {
        QWriteLocker locker(&m_lock);
        previous = m_imageHandle;
        m_imageHandle = handle;
    }
    // Deleted outside the lock: the last handle of a large image may take a while to free.
    delete previous;
    setValue(text, ImageHandleType);
}

void Item::setStatus(int status)
{
    setData(StatusRole, status);
}

void Item::setType(int type)
{
    setData(TypeRole, type);
}

void Item::setDisplayState(int state)
{
    setData(DisplayStateRole, state);
}

void Item::setErrorMessage(const QString& message)
{
    setData(ErrorRole, message);
    if (!message.isNull())
        setData(StatusRole, int(WarningStatus));
}

QString Item::valueText() const
{
    return roleValue(ValueRole).toString();
}

int Item::type() const
{
    return roleValue(TypeRole).toInt();
}

int Item::status() const
{
    return roleValue(StatusRole).toInt();
}

int Item::displayState() const
{
    return roleValue(DisplayStateRole).toInt();
}

QString Item::errorMessage() const
{
    return roleValue(ErrorRole).toString();
}

ItemModel* Item::model() const
{
    return qobject_cast<ItemModel*>(parent());
}

int Item::row() const
{
    const ItemModel* owner = model();
    return owner ? owner->indexOf(const_cast<Item*>(this)) : -1;
}

void Item::setModel(ItemModel* model)
{
    if (ItemModel* previous = this->model())
        disconnect(this, nullptr, previous, nullptr);
    setParent(model);
}

QString Item::summaryText() const
{
    const QString error = errorMessage();
    if (!error.isNull())
        return QStringLiteral("Error:\n") + error;
    const QString text = valueText();
    const int itemType = type();
    if (itemType != VectorType && itemType != MapType)
        return text;
    const int lineFeed = text.indexOf(QLatin1Char('\n'));
    return (lineFeed < 0 ? text : text.left(lineFeed)) + QStringLiteral(" ...");
}

QString Item::detailText() const
{
    const int itemType = type();
    QString text;
    if (itemType == NoValueType)
        text = QStringLiteral("No value");
    else if (itemType == ImageHandleType)
        text = QStringLiteral("Image handle");
    else
        text = QString::fromLatin1(typePrefix(itemType)) + valueText();
    const QString error = errorMessage();
    if (!error.isNull())
        text += QStringLiteral("\nError:\n") + error;
    return text;
}

KORA::CValue* Item::toCValue() const
{
    return toCValue(nullptr);
}

KORA::CValue* Item::toCValue(QString* reason) const
{
    const int itemType = type();
    const QString text = valueText();
    switch (itemType) {
    case LongType:
        return new KORA::CValueLong(text.toInt(nullptr, 10));
    case DoubleType:
        return new KORA::CValueDouble(text.toDouble());
    case StringType: {
        const QByteArray bytes = text.toLocal8Bit();
        return new KORA::CValueString(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    case BoolType:
        return new KORA::CValueBool(text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0);
    case VectorType:
    case MapType: {
        const QByteArray bytes = text.toLocal8Bit();
        try {
            return KORA::CTextSerializer(true, false, nullptr)
                .Deserialize(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        } catch (const KORA::CException& e) {
            std::cerr << "Item::toCValue() Could not convert to "
                      << (itemType == VectorType ? "CValueVector" : "CValueMap") << std::endl;
            if (reason)
                *reason = QString::fromLocal8Bit(e.FormattedWhat().c_str());
            return nullptr;
        }
    }
    case ImageFileType:
        return imageFileValue(text, reason);
    case ImageHandleType: {
        QReadLocker locker(&m_lock);
        return m_imageHandle ? m_imageHandle->CloneValueSmart() : nullptr;
    }
    default:
        return nullptr;
    }
}

KORA::CValue* Item::imageFileValue(const QString& path, QString* reason) const
{
    const QByteArray localPath = path.toLocal8Bit();
    const std::string file(localPath.constData(), static_cast<std::size_t>(localPath.size()));
    std::unique_ptr<KORA::CImage> image;
    try {
        const ItemModel* port = model();
        image.reset(KORA::CImageIo2::Load(file.c_str(), port ? port->loadConfig() : KORA::StImgLoadCfg()));
    } catch (const KORA::CException& loadError) {
        // A loader plug-in that takes the file knows better than the direct reader why it failed.
        QString pluginError;
        try {
            image.reset(loadWithPlugins(file));
        } catch (const KORA::CException& e) {
            pluginError = QString::fromLocal8Bit(e.FormattedWhat().c_str());
        } catch (const std::exception& e) {
            pluginError = QString::fromLocal8Bit(e.what());
        } catch (...) {
            pluginError = QStringLiteral("the loader plug-in failed");
        }
        if (!image) {
            std::cerr << "Item::toCValue() Could not read image: " << loadError.what() << std::endl;
            if (reason)
                *reason = pluginError.isEmpty() ? QString::fromLocal8Bit(loadError.what()) : pluginError;
            return nullptr;
        }
    }
    if (!image)
        return nullptr;
    if (image->Attributes().HasEntry("warning", KORA::GT_STRING))
        std::cerr << "Warning reading file '" << file << "':\n"
                  << image->Attributes().EntryString("warning") << std::endl;
    return new KORA::CValueOwnedPointer<KORA::CImage>(image.release(), 1);
}

} // namespace VORNE
