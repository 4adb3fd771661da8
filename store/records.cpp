#include "store/records.h"

namespace store {

int Session::right_total() const
{
    int n = 0;
    for (const Response &r : responses)
        n += r.right;
    return n;
}

int Session::wrong_total() const
{
    return int(responses.size()) - right_total();
}

std::string Session::marks() const
{
    std::string m;
    for (const Response &r : responses)
        m.push_back(r.right ? '+' : '-');
    return m;
}

}  // namespace store
