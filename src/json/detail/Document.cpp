#include "json/detail/Document.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <new>

namespace sweeplight::json::detail {

namespace {

constexpr std::size_t kSmallestChunk = 256;
// The first chunk is a guess; a bad one must not cost much.
constexpr std::size_t kLargestFirstChunk = 64 * 1024;
constexpr std::size_t kSmallestLaterChunk = 64;
constexpr std::size_t kLargestLaterChunk = 8 * 1024 * 1024;

} // namespace

// Holds the chunks of the last tree gone, for the next one: a large tree's memory is handed
// back to the system as it goes, and fresh pages cost the system as much to clear and map as
// reading the text into them costs, so a reader reading one large text after another would run
// at half its speed. Only the chunks of the last tree that had any are kept, which bounds what
// the pool holds.
class ChunkPool final {
public:
    ChunkPool() = default;
    ChunkPool(const ChunkPool&) = delete;
    ChunkPool& operator=(const ChunkPool&) = delete;
    ~ChunkPool() { freeAll(); }

    void retain() { references_.fetch_add(1, std::memory_order_relaxed); }
    void release() {
        if (references_.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete this;
    }

    // The smallest kept chunk with room for `size` bytes that does not leave much of it unused.
    Document::Chunk* take(std::size_t size) {
        std::lock_guard lock(mutex_);
        const auto found = chunks_.lower_bound(size);
        if (found == chunks_.end() || found->first - size > size / 2 + kSlack)
            return nullptr;
        Document::Chunk* chunk = found->second;
        chunks_.erase(found);
        return chunk;
    }

    // Keeps the chunks of a tree now gone (linked by `next`) instead of those kept before.
    void replaceWith(Document::Chunk* chunks) {
        std::multimap<std::size_t, Document::Chunk*> kept;
        for (Document::Chunk* chunk = chunks; chunk; chunk = chunk->next)
            kept.emplace(chunk->room, chunk);
        std::lock_guard lock(mutex_);
        freeAll();
        chunks_.swap(kept);
    }

private:
    static constexpr std::size_t kSlack = 4096;

    void freeAll() {
        for (const auto& [room, chunk] : chunks_)
            ::operator delete(static_cast<void*>(chunk));
        chunks_.clear();
    }

    std::atomic<std::size_t> references_ { 1 };
    std::mutex mutex_;
    std::multimap<std::size_t, Document::Chunk*> chunks_;
};

std::shared_ptr<ChunkPool> newChunkPool() {
    return std::shared_ptr<ChunkPool>(new ChunkPool(), [](ChunkPool* pool) { pool->release(); });
}

Document* Document::create(std::size_t expectedBytes, bool exactly) {
    const std::size_t size =
        exactly ? expectedBytes : std::clamp(expectedBytes, kSmallestChunk, kLargestFirstChunk);
    // One block for the document and its first chunk: a small tree takes one allocation.
    constexpr std::size_t head = (sizeof(Document) + 7) & ~std::size_t { 7 };
    auto* block = static_cast<unsigned char*>(::operator new(head + size));
    return new (block) Document(block + head, size);
}

Document::Document(unsigned char* room, std::size_t size)
    : cursor_(room)
    , limit_(room + size)
    , chunkBytes_(size) {}

void Document::destroy() {
    this->~Document();
    ::operator delete(static_cast<void*>(this));
}

Document::~Document() {
    while (kept_) {
        Kept* next = kept_->next;
        kept_->document->release();
        delete kept_;
        kept_ = next;
    }
    if (pool_) {
        if (chunks_)
            pool_->replaceWith(chunks_);
        pool_->release();
        return;
    }
    while (chunks_) {
        Chunk* next = chunks_->next;
        ::operator delete(static_cast<void*>(chunks_));
        chunks_ = next;
    }
}

void Document::takeChunksFrom(ChunkPool& pool) {
    pool.retain();
    pool_ = &pool;
}

void Document::keep(Document* other) {
    kept_ = new Kept { other, kept_ };
    other->retain();
}

std::mutex& Document::orderingLock() {
    static std::mutex locks[16];
    return locks[(reinterpret_cast<std::uintptr_t>(this) >> 6) % std::size(locks)];
}

unsigned char* Document::newChunk(std::size_t size, std::size_t& room) {
    Chunk* chunk = pool_ ? pool_->take(size) : nullptr;
    if (!chunk) {
        chunk = static_cast<Chunk*>(::operator new(sizeof(Chunk) + size));
        chunk->room = size;
    }
    chunk->next = chunks_;
    chunks_ = chunk;
    room = chunk->room;
    chunkBytes_ += room;
    return reinterpret_cast<unsigned char*>(chunk + 1);
}

void* Document::allocateSeparately(std::size_t size) {
    // The chunk in use stays in use: only the cursor says which one that is.
    std::size_t room = 0;
    return newChunk(size, room);
}

std::size_t Document::expectedRest(std::size_t size) const {
    // Without a reader to follow, as much again as half of what there is.
    if (!progress_)
        return chunkBytes_ / 2;
    const std::size_t read = static_cast<std::size_t>(*progress_->cursor - progress_->start);
    const std::size_t left = static_cast<std::size_t>(progress_->end - *progress_->cursor);
    const std::size_t used = chunkBytes_ - static_cast<std::size_t>(limit_ - cursor_);
    // A tenth more than the same rate as so far, for the rest of the input.
    const double rate = read ? static_cast<double>(used) / static_cast<double>(read) : 2.0;
    auto rest = static_cast<std::size_t>(rate * 1.1 * static_cast<double>(left));
    // The block asked for may be one of those the open containers take.
    if (progress_->openBytes) {
        const std::size_t open = progress_->openBytes(progress_->reader);
        rest += open - std::min(open, size);
    }
    return rest;
}

void Document::refill(std::size_t size, std::size_t keepAtTop) {
    // Large trees take chunks of one size, which a pool then hands out again.
    const std::size_t needed = size + keepAtTop;
    const std::size_t chunkSize = std::max(
        needed + kSmallestLaterChunk, std::min(needed + expectedRest(size), kLargestLaterChunk));
    std::size_t room = 0;
    cursor_ = newChunk(chunkSize, room);
    limit_ = cursor_ + room;
}

void Document::moveText(unsigned char*& start, std::size_t used, std::size_t size) {
    const unsigned char* old = start;
    refill(size, used);
    // The text was at the top of the old chunk, which keeps what is before it.
    start = cursor_;
    std::memcpy(start, old, used);
}

const unsigned char* TreeBuilder::copyText(Document& document, std::string_view text) {
    unsigned char* start = document.textTop();
    unsigned char* out = document.reserveText(start, 0, kTextLengthRoom + text.size());
    if (!text.empty())
        std::memcpy(out + kTextLengthRoom, text.data(), text.size());
    return finishText(document, start, text.size());
}

const unsigned char* TreeBuilder::finishText(Document& document, unsigned char*& start,
                                             std::size_t size) {
    if (size < JSONString::kLongLength) {
        const auto length = static_cast<std::uint32_t>(size);
        std::memcpy(start, &length, sizeof length);
        document.commitText(start + kTextLengthRoom + size);
        return start;
    }
    // Room for the long length: the bytes move up.
    const std::size_t extra = JSONString::kLongHeader - kTextLengthRoom;
    document.reserveText(start, kTextLengthRoom + size, extra);
    std::memmove(start + JSONString::kLongHeader, start + kTextLengthRoom, size);
    const std::uint32_t marker = JSONString::kLongLength;
    const std::uint64_t length = size;
    std::memcpy(start, &marker, sizeof marker);
    std::memcpy(start + sizeof marker, &length, sizeof length);
    document.commitText(start + JSONString::kLongHeader + size);
    return start;
}

JSONValue TreeBuilder::ownedText(std::string_view text) {
    const bool isLong = text.size() >= JSONString::kLongLength;
    const std::size_t lengthRoom = isLong ? JSONString::kLongHeader : kTextLengthRoom;
    const std::size_t size = sizeof(Document*) + lengthRoom + text.size();
    Document* document = Document::create(size, true);
    // The document's address just before the record, where the value finds it again.
    auto* block = static_cast<unsigned char*>(document->allocate(size));
    std::memcpy(block, &document, sizeof document);
    unsigned char* record = block + sizeof document;
    if (isLong) {
        const std::uint32_t marker = JSONString::kLongLength;
        const std::uint64_t length = text.size();
        std::memcpy(record, &marker, sizeof marker);
        std::memcpy(record + sizeof marker, &length, sizeof length);
    } else {
        const auto length = static_cast<std::uint32_t>(text.size());
        std::memcpy(record, &length, sizeof length);
    }
    if (!text.empty())
        std::memcpy(record + lengthRoom, text.data(), text.size());
    JSONValue value;
    place(&value, pointer(record, kString));
    value.word_ |= JSONValue::kOwns;
    return value;
}

Document* TreeBuilder::documentOfOwnedText(const JSONString& string) {
    Document* document;
    std::memcpy(&document, string.record_ - sizeof document, sizeof document);
    return document;
}

ArrayHeader* TreeBuilder::newArray(Document& document, std::size_t size) {
    auto* header = static_cast<ArrayHeader*>(
        document.allocate(sizeof(ArrayHeader) + size * sizeof(JSONValue)));
    header->document = &document;
    header->size = size;
    return header;
}

DictionaryHeader* TreeBuilder::newDictionary(Document& document, std::size_t size) {
    return new (document.allocate(sizeof(DictionaryHeader) + size * sizeof(JSONMember)))
        DictionaryHeader(&document, size);
}

const ArrayHeader* TreeBuilder::emptyArray() {
    static const ArrayHeader empty { nullptr, 0 };
    return &empty;
}

const DictionaryHeader* TreeBuilder::emptyDictionary() {
    static const DictionaryHeader empty { nullptr, 0 };
    return &empty;
}

JSONValue TreeBuilder::owningValue(const ValueBits& bits) {
    JSONValue value;
    place(&value, bits);
    // The copy keeps a container's document, and makes a text of its own.
    return JSONValue(value);
}

JSONArray TreeBuilder::owningArray(const ArrayHeader* header) {
    JSONArray array(header);
    if (header->document) {
        header->document->retain();
        array.bits_ |= 1;
    }
    return array;
}

JSONDictionary TreeBuilder::owningDictionary(const DictionaryHeader* header) {
    JSONDictionary dictionary(header);
    if (Document* document = header->document()) {
        document->retain();
        dictionary.bits_ |= 1;
    }
    return dictionary;
}

ValueBits TreeBuilder::adopt(Document& document, const JSONValue& value) {
    switch (value.kind()) {
    case JSONValue::Kind::string:
        return pointer(copyText(document, value.string()->view()), kString);
    case JSONValue::Kind::array:
        if (Document* other = value.array()->header()->document)
            document.keep(other);
        return bitsOf(value);
    case JSONValue::Kind::dictionary:
        if (Document* other = value.dictionary()->header()->document())
            document.keep(other);
        return bitsOf(value);
    default:
        return bitsOf(value);
    }
}

} // namespace sweeplight::json::detail

namespace sweeplight::json {

std::size_t JSONString::longSize() const {
    std::uint64_t length;
    std::memcpy(&length, record_ + sizeof(std::uint32_t), sizeof length);
    return static_cast<std::size_t>(length);
}

} // namespace sweeplight::json
