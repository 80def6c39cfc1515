#pragma once
// Image files of the next batch index, decoded on a thread of the cache while the current index executes,
// so that the execution's input loading takes them ready-made instead of decoding them itself. Only what
// loading would do silently is decoded ahead: a plain image file the library reads without a warning.
// Everything else (text images, recordings, unreadable files) is left to the execution, which then loads
// it and reports on it in its own order.
//
// Threads: prefetch() is called by the batch loop, take() by the executor's thread; both lock. A value is
// owned by the cache until taken, and by the caller of take() after. The destructor waits for decodes in
// flight.
#include <QList>
#include <QString>

#include <functional>
#include <future>
#include <mutex>
#include <vector>

#include "executor/taskqueue.h"

namespace KORA {
class CValue;
}

namespace VORNE {

class Item;

class InputCache
{
public:
    // Decodes one file; null when it should be left to the execution.
    using Decoder = std::function<KORA::CValue*(const QString& path)>;

    explicit InputCache(Decoder decoder = {});
    ~InputCache();
    InputCache(const InputCache&) = delete;
    InputCache& operator=(const InputCache&) = delete;

    // Starts decoding the image files among items. Values of the prefetch before the previous one that were
    // never taken (their index failed or was aborted before loading them) are dropped.
    void prefetch(const QList<Item*>& items);
    // The value decoded ahead for item, waiting for it if it is still being decoded; null when there is
    // none or once stop() says so.
    KORA::CValue* take(const Item* item, const std::function<bool()>& stop);

private:
    struct Entry
    {
        const Item* item;
        QString path;
        int generation;
        std::shared_future<KORA::CValue*> value;
    };

    static void release(std::vector<Entry>& entries);

    Decoder m_decoder;
    TaskQueue m_decodes; // outlives the entries: the destructor waits for their values
    std::mutex m_mutex;
    std::vector<Entry> m_entries;
    int m_generation = 0;
};

} // namespace VORNE
