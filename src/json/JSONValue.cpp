#include "json/JSONValue.h"

#include "json/detail/Document.h"
#include <ostream>

namespace sweeplight::json {

using detail::TreeBuilder;

std::ostream& operator<<(std::ostream& stream, const JSONString& string) {
    return stream << string.view();
}

JSONValue::JSONValue(std::string_view string) {
    JSONValue owned = TreeBuilder::ownedText(string);
    payload_ = owned.payload_;
    word_ = owned.word_;
    owned.word_ = 0;
}

JSONValue::JSONValue(std::shared_ptr<const JSONArray> array) {
    const detail::ArrayHeader* header =
        array ? TreeBuilder::headerOf(*array) : TreeBuilder::emptyArray();
    TreeBuilder::place(this, TreeBuilder::pointer(header, TreeBuilder::kArray));
    if (header->document) {
        header->document->retain();
        word_ |= kOwns;
    }
}

JSONValue::JSONValue(std::shared_ptr<const JSONDictionary> dictionary) {
    const detail::DictionaryHeader* header =
        dictionary ? TreeBuilder::headerOf(*dictionary) : TreeBuilder::emptyDictionary();
    TreeBuilder::place(this, TreeBuilder::pointer(header, TreeBuilder::kDictionary));
    if (detail::Document* document = header->document()) {
        document->retain();
        word_ |= kOwns;
    }
}

void JSONValue::copyFrom(const JSONValue& other) {
    payload_ = other.payload_;
    word_ = other.word_;
    if (kind() == Kind::string) {
        if (owns()) {
            document()->retain();
            return;
        }
        // A text in a tree cannot find its document: the copy gets a text of its own.
        JSONValue owned = TreeBuilder::ownedText(other.payload_.string.view());
        payload_ = owned.payload_;
        word_ = owned.word_;
        owned.word_ = 0;
        return;
    }
    if (kind() == Kind::array || kind() == Kind::dictionary) {
        if (detail::Document* tree = document()) {
            tree->retain();
            word_ |= kOwns;
        }
    }
}

JSONValue& JSONValue::operator=(const JSONValue& other) {
    if (this != &other) {
        JSONValue copy(other);
        *this = std::move(copy);
    }
    return *this;
}

detail::Document* JSONValue::document() const {
    switch (kind()) {
    case Kind::string:
        return TreeBuilder::documentOfOwnedText(payload_.string);
    case Kind::array:
        return payload_.array.header()->document;
    case Kind::dictionary:
        return payload_.dictionary.header()->document();
    default:
        return nullptr;
    }
}

void JSONValue::release() {
    document()->release();
}

std::shared_ptr<const JSONArray> JSONValue::sharedArray() const {
    if (kind() != Kind::array)
        return nullptr;
    return std::make_shared<const JSONArray>(payload_.array);
}

std::shared_ptr<const JSONDictionary> JSONValue::sharedDictionary() const {
    if (kind() != Kind::dictionary)
        return nullptr;
    return std::make_shared<const JSONDictionary>(payload_.dictionary);
}

bool JSONValue::operator==(const JSONValue& other) const {
    if (kind() != other.kind())
        return false;
    switch (kind()) {
    case Kind::null:
        return true;
    case Kind::boolean:
        return payload_.boolean == other.payload_.boolean;
    case Kind::number:
        return payload_.number == other.payload_.number;
    case Kind::string:
        return payload_.string == other.payload_.string;
    case Kind::array:
        return payload_.array == other.payload_.array;
    case Kind::dictionary:
        return payload_.dictionary == other.payload_.dictionary;
    }
    return false;
}

JSONArray::JSONArray()
    : JSONArray(TreeBuilder::emptyArray()) {}

JSONArray::JSONArray(const std::vector<JSONValue>& values)
    : JSONArray(TreeBuilder::emptyArray()) {
    if (values.empty())
        return;
    detail::Document* document =
        detail::Document::create(sizeof(detail::ArrayHeader) + values.size() * sizeof(JSONValue));
    detail::ArrayHeader* header = TreeBuilder::newArray(*document, values.size());
    auto* elements = const_cast<JSONValue*>(header->elements());
    for (std::size_t i = 0; i < values.size(); ++i)
        TreeBuilder::place(elements + i, TreeBuilder::adopt(*document, values[i]));
    // The reference the document was made with is this array's.
    bits_ = reinterpret_cast<std::uintptr_t>(header) | 1;
}

JSONArray::JSONArray(const JSONArray& other)
    : bits_(reinterpret_cast<std::uintptr_t>(other.header())) {
    if (detail::Document* document = header()->document) {
        document->retain();
        bits_ |= 1;
    }
}

JSONArray& JSONArray::operator=(const JSONArray& other) {
    if (this != &other) {
        JSONArray copy(other);
        std::swap(bits_, copy.bits_);
    }
    return *this;
}

JSONArray::~JSONArray() {
    if (bits_ & 1)
        header()->document->release();
}

std::size_t JSONArray::size() const {
    return header()->size;
}

const JSONValue* JSONArray::begin() const {
    return header()->elements();
}

const JSONValue* JSONArray::end() const {
    return header()->elements() + header()->size;
}

const JSONValue& JSONArray::operator[](std::size_t index) const {
    return header()->elements()[index];
}

bool JSONArray::operator==(const JSONArray& other) const {
    if (header() == other.header())
        return true;
    if (size() != other.size())
        return false;
    for (std::size_t i = 0; i < size(); ++i)
        if (!((*this)[i] == other[i]))
            return false;
    return true;
}

} // namespace sweeplight::json
