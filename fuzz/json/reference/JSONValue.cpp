#include "reference/JSONValue.h"

#include "reference/JSONDictionary.h"

namespace sweeplight::json_reference {

JSONValue::JSONValue(std::shared_ptr<const JSONArray> array)
    : storage_(std::move(array)) {
    if (!std::get<std::shared_ptr<const JSONArray>>(storage_))
        storage_ = std::make_shared<const JSONArray>();
}

JSONValue::JSONValue(std::shared_ptr<const JSONDictionary> dictionary)
    : storage_(std::move(dictionary)) {
    if (!std::get<std::shared_ptr<const JSONDictionary>>(storage_))
        storage_ = std::make_shared<const JSONDictionary>();
}

const JSONArray* JSONValue::array() const {
    auto* array = std::get_if<std::shared_ptr<const JSONArray>>(&storage_);
    return array ? array->get() : nullptr;
}

const JSONDictionary* JSONValue::dictionary() const {
    auto* dictionary = std::get_if<std::shared_ptr<const JSONDictionary>>(&storage_);
    return dictionary ? dictionary->get() : nullptr;
}

std::shared_ptr<const JSONArray> JSONValue::sharedArray() const {
    auto* array = std::get_if<std::shared_ptr<const JSONArray>>(&storage_);
    return array ? *array : nullptr;
}

std::shared_ptr<const JSONDictionary> JSONValue::sharedDictionary() const {
    auto* dictionary = std::get_if<std::shared_ptr<const JSONDictionary>>(&storage_);
    return dictionary ? *dictionary : nullptr;
}

bool JSONValue::operator==(const JSONValue& other) const {
    if (kind() != other.kind())
        return false;
    switch (kind()) {
    case Kind::null:
        return true;
    case Kind::boolean:
        return *boolean() == *other.boolean();
    case Kind::number:
        return *number() == *other.number();
    case Kind::string:
        return *string() == *other.string();
    case Kind::array:
        return array() == other.array() || *array() == *other.array();
    case Kind::dictionary:
        return dictionary() == other.dictionary() || *dictionary() == *other.dictionary();
    }
    return false;
}

} // namespace sweeplight::json_reference
