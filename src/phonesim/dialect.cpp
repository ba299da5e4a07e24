#include "phonesim/dialect.h"

namespace phonesim {

const std::vector<Dialect>& Dialects() {
    static const std::vector<Dialect> kDialects = [] {
        std::vector<Dialect> d;
        d.push_back(Dialect{});
        return d;
    }();
    return kDialects;
}

const Dialect* FindDialect(const std::string& name) {
    for (const Dialect& d : Dialects())
        if (d.name == name)
            return &d;
    return nullptr;
}

} // namespace phonesim
