#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

// The namespace prefixes in scope, bound as elements open and unbound as they close. Looking a
// prefix up costs the same however many are bound.
class XmlNamespaces {
public:
    XmlNamespaces();  // with xml: bound, as it always is
    // Not copied: the index holds views of the bindings.
    XmlNamespaces(const XmlNamespaces&) = delete;
    XmlNamespaces& operator=(const XmlNamespaces&) = delete;

    // Binds a prefix (xmlns:prefix="uri"); false when XML forbids the binding.
    bool bind(std::u16string_view prefix, std::u16string_view uri);
    // What the prefix is bound to; empty when it is not bound.
    std::u16string_view uri(std::u16string_view prefix) const;

    // Bindings made so far, to unbind() back to when their element closes.
    size_t size() const { return bindings_.size(); }
    void unbind(size_t size);

private:
    struct Binding {
        std::u16string prefix;
        std::u16string uri;
        int shadows;  // the binding of the same prefix it hides, or -1
    };

    std::deque<Binding> bindings_;  // a deque, so that the keys of latest_ stay put
    std::unordered_map<std::u16string_view, int> latest_;
};
