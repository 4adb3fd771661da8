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

int Session::not_reached() const
{
    const int answered = int(responses.size());
    if (ended_by == "completed" || ended_by == "time_limit")
        return items - answered;
    return responses.empty() ? 0 : responses.back().item - answered;
}

std::string Session::marks() const
{
    std::string m;
    for (const Response &r : responses)
        m.push_back(r.right ? '+' : '-');
    return m;
}

}  // namespace store
