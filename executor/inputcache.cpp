#include "executor/inputcache.h"

#include <chrono>
#include <memory>

#include "items/item.h"
#include "items/itemmodel.h"
#include "kora/kora.h"

namespace VORNE {

namespace {

// What Item::toCValue() gives for an image file when it succeeds without saying anything.
KORA::CValue* decodeQuietly(const QString& path)
{
    try {
        std::unique_ptr<KORA::CImage> image(KORA::CImageIo2::Load(path.toLocal8Bit().constData(), KORA::StImgLoadCfg()));
        if (!image || image->Attributes().HasEntry("warning", KORA::GT_STRING))
            return nullptr;
        return new KORA::CValueOwnedPointer<KORA::CImage>(image.release(), 1);
    } catch (...) {
        return nullptr;
    }
}

} // namespace

InputCache::InputCache(Decoder decoder) : m_decoder(decoder ? std::move(decoder) : Decoder(&decodeQuietly)) {}

InputCache::~InputCache()
{
    release(m_entries);
}

void InputCache::release(std::vector<Entry>& entries)
{
    for (Entry& entry : entries)
        delete entry.value.get();
    entries.clear();
}

void InputCache::prefetch(const QList<Item*>& items)
{
    std::vector<Entry> stale;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_generation;
        // The index before the one now executing has ended; whatever it left is of no use.
        for (auto it = m_entries.begin(); it != m_entries.end();) {
            if (it->generation < m_generation - 1) {
                stale.push_back(std::move(*it));
                it = m_entries.erase(it);
            } else {
                ++it;
            }
        }
        for (const Item* item : items) {
            // A plane choice is the execution's to apply.
            if (!item || item->type() != Item::ImageFileType || (item->model() && item->model()->hasPlaneChoice()))
                continue;
            const QString path = item->valueText();
            const Decoder decoder = m_decoder;
            m_entries.push_back({item, path, m_generation, m_decodes.post([decoder, path] { return decoder(path); }).share()});
        }
    }
    release(stale);
}

KORA::CValue* InputCache::take(const Item* item, const std::function<bool()>& stop)
{
    std::shared_future<KORA::CValue*> value;
    int generation = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const Entry& entry : m_entries)
            if (entry.item == item && entry.path == item->valueText()) {
                value = entry.value;
                generation = entry.generation;
                break;
            }
    }
    if (!value.valid())
        return nullptr;
    while (value.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        if (stop())
            return nullptr;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
        if (it->item == item && it->generation == generation) {
            m_entries.erase(it);
            return value.get();
        }
    return nullptr;
}

} // namespace VORNE
