#pragma once

// An owning list of heap items that costs one pointer while empty. Records
// held by the million, such as track points, carry several lists that are
// nearly always empty; three std::vectors would add 72 bytes to each record,
// this adds 24. Offers the part of std::vector's interface those records use.

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

template <typename T>
class TZtCompactList
{
public:
    using Items = std::vector<std::unique_ptr<T>>;
    using value_type = typename Items::value_type;
    using iterator = typename Items::iterator;
    using const_iterator = typename Items::const_iterator;

    TZtCompactList() = default;
    TZtCompactList(Items &&v) { *this = std::move(v); }
    TZtCompactList(TZtCompactList &&) noexcept = default;
    TZtCompactList &operator=(TZtCompactList &&) noexcept = default;
    TZtCompactList &operator=(Items &&v)
    {
        if (v.empty())
            d.reset();
        else
            d = std::make_unique<Items>(std::move(v));
        return *this;
    }

    // The items as a plain vector, for functions that take one.
    const Items &items() const { return d ? *d : Empty(); }

    size_t size() const { return d ? d->size() : 0; }
    bool empty() const { return !d || d->empty(); }

    iterator begin() { return d ? d->begin() : iterator(); }
    iterator end() { return d ? d->end() : iterator(); }
    const_iterator begin() const { return items().begin(); }
    const_iterator end() const { return items().end(); }

    value_type &operator[](size_t i) { return (*d)[i]; }
    const value_type &operator[](size_t i) const { return (*d)[i]; }
    value_type &front() { return d->front(); }
    value_type &back() { return d->back(); }
    const value_type &front() const { return d->front(); }
    const value_type &back() const { return d->back(); }

    void push_back(value_type &&item) { Ensure().push_back(std::move(item)); }
    void reserve(size_t n)
    {
        if (n > 0)
            Ensure().reserve(n);
    }
    void clear() { d.reset(); }

private:
    static const Items &Empty()
    {
        static const Items empty;
        return empty;
    }
    Items &Ensure()
    {
        if (!d)
            d = std::make_unique<Items>();
        return *d;
    }

    std::unique_ptr<Items> d;
};
