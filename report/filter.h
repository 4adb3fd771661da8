// A reference group's filter over participants' attributes, e.g.
// "age>=18 and age<30", "sex = f or group = 'B 2'": comparisons joined by
// and / or, with parentheses. Evaluated here, never passed to a database.
#pragma once

#include "store/attributes.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace report {

class Filter {
public:
    // Throws Error with a sentence when the text is not such an expression
    // or names an attribute the store does not hold (the known ones listed).
    Filter(const std::string &text, const std::vector<store::AttributeColumn> &columns);
    ~Filter();
    // A comparison with an attribute the participant lacks is false.
    bool matches(const std::map<std::string, std::string> &values) const;

    struct Node;

private:
    std::unique_ptr<Node> root_;
};

}  // namespace report
