#include "xml/XmlNamespaces.h"

namespace {

constexpr std::u16string_view kXml = u"http://www.w3.org/XML/1998/namespace";
constexpr std::u16string_view kXmlns = u"http://www.w3.org/2000/xmlns/";

}  // namespace

XmlNamespaces::XmlNamespaces() {
    bindings_.push_back({u"xml", std::u16string(kXml), -1});
    latest_.emplace(bindings_.back().prefix, 0);
}

bool XmlNamespaces::bind(std::u16string_view prefix, std::u16string_view uri) {
    const bool xml = prefix == u"xml";
    if (uri.empty() || prefix == u"xmlns" || xml != (uri == kXml) || uri == kXmlns) {
        return false;
    }
    const int index = int(bindings_.size());
    bindings_.push_back({std::u16string(prefix), std::u16string(uri), -1});
    const auto [latest, added] = latest_.try_emplace(bindings_.back().prefix, index);
    if (!added) {
        bindings_.back().shadows = latest->second;
        latest->second = index;
    }
    return true;
}

std::u16string_view XmlNamespaces::uri(std::u16string_view prefix) const {
    const auto latest = latest_.find(prefix);
    return latest == latest_.end() ? std::u16string_view() : bindings_[latest->second].uri;
}

void XmlNamespaces::unbind(size_t size) {
    while (bindings_.size() > size) {
        const Binding& last = bindings_.back();
        if (last.shadows >= 0) {
            latest_[last.prefix] = last.shadows;  // the key is the older binding's
        } else {
            latest_.erase(last.prefix);
        }
        bindings_.pop_back();
    }
}
