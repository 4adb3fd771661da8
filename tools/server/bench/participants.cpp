// Load for the benchmark: participants each posting a new journal row on a
// fixed clock, as the page does against a server that closes its
// connections: a connection opened when the row is sent, the row, the
// answer, closed. A row's latency runs from the moment it was due, so a
// server (or this program) falling behind shows in the figures instead of
// slowing the offered load. A participant sends one row at a time: a row
// still unanswered when the next is due delays that one. A row not
// answered 2xx is sent again at the participant's next turn.
//
//   participants PORT LINK CRC ITEMS SECONDS PARTICIPANTS INTERVAL_MS
//
// INTERVAL_MS 0: each participant sends its next row as soon as the last
// is answered (the most the server takes). Prints one line of figures.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <queue>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double ms_between(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

struct Participant {
    int fd = -1;
    long row = 0;                  // the participant's rows sent so far (40 to a session)
    bool retry = false;            // the last row was not taken: send it again
    bool waiting = false;          // its next row is due while one is unanswered
    Clock::time_point due, started, next;  // next: the row due while one is under way
    std::string answer;
};

struct Figures {
    long sent = 0, taken = 0, refused = 0, failed = 0, behind = 0;
    std::map<int, long> statuses;
    std::vector<double> latency, late;  // ms: from due to answered; to this program sending it
};

double percentile(std::vector<double> &v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p / 100 * double(v.size())))];
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 8) {
        std::fprintf(stderr, "usage: participants PORT LINK CRC ITEMS SECONDS PARTICIPANTS INTERVAL_MS\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const std::string link = argv[2], crc = argv[3], items = argv[4];
    const double seconds = std::atof(argv[5]);
    const int count = std::atoi(argv[6]);
    const auto interval = std::chrono::milliseconds(std::atoi(argv[7]));

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(uint16_t(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int poll = epoll_create1(0);

    std::vector<Participant> people(static_cast<size_t>(count));
    using Turn = std::pair<Clock::time_point, int>;
    std::priority_queue<Turn, std::vector<Turn>, std::greater<Turn>> turns;
    const Clock::time_point start = Clock::now() + std::chrono::milliseconds(100);
    const Clock::time_point end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    std::mt19937 random(7);  // participants start at random moments of the first interval
    for (int i = 0; i < count; i++) {
        const auto phase = interval.count() ? std::chrono::microseconds(random() % uint32_t(interval.count() * 1000)) : std::chrono::microseconds(0);
        turns.push({start + phase, i});
    }
    Figures f;
    int open = 0;
    Clock::time_point last = start;  // the last answer

    auto send = [&](int i, Clock::time_point due) {
        Participant &p = people[size_t(i)];
        p.due = due;
        p.started = Clock::now();
        if (!p.retry)
            p.row++;
        p.retry = false;
        const long row = (p.row - 1) % 40 + 1, session = (p.row - 1) / 40;
        char id[17], body[512], head[1024];
        std::snprintf(id, sizeof id, "%08x%08lx", 0xbe000000u + unsigned(i), session);
        std::snprintf(body, sizeof body,
                      "%s,B%d,%s,%ld,2026-12-09T10:00:00,%ld,,,,,,,,,meridoka,1.0.0,web,77930,%s,%s,performance.now,5,,,,,\r\n",
                      id, i, row == 1 ? "session_start" : "item_shown", row * 100, row, row == 1 ? crc.c_str() : "",
                      items.c_str());
        std::snprintf(head, sizeof head,
                      "POST %srows?session=%s&journal=S0000001.CSV&row=%ld HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n"
                      "Content-Type: text/plain;charset=UTF-8\r\nContent-Length: %zu\r\nConnection: close\r\n\r\n%s",
                      link.c_str(), id, row, port, std::strlen(body), body);
        p.answer = head;  // kept until the connection is writable
        p.fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        f.sent++;
        if (p.fd < 0 || (connect(p.fd, reinterpret_cast<sockaddr *>(&to), sizeof to) < 0 && errno != EINPROGRESS)) {
            if (p.fd >= 0)
                close(p.fd);
            p.fd = -1;
            p.retry = true;
            f.failed++;
            return;
        }
        epoll_event e{};
        e.events = EPOLLOUT;
        e.data.u32 = uint32_t(i);
        epoll_ctl(poll, EPOLL_CTL_ADD, p.fd, &e);
        open++;
    };
    // the participant's next row: due an interval after this one (back to back: now)
    auto next_turn = [&](int i, Clock::time_point due) {
        const Clock::time_point next = interval.count() ? due + interval : Clock::now();
        if (next < end)
            turns.push({next, i});
    };
    auto finish = [&](int i, int status) {
        Participant &p = people[size_t(i)];
        epoll_ctl(poll, EPOLL_CTL_DEL, p.fd, nullptr);
        close(p.fd);
        p.fd = -1;
        open--;
        const Clock::time_point now = Clock::now();
        last = now;
        if (status >= 200 && status < 300) {
            f.taken++;
            f.latency.push_back(ms_between(p.due, now));
        } else {
            p.retry = true;
            status ? f.refused++ : f.failed++;
            if (status)
                f.statuses[status]++;
        }
        if (p.waiting) {  // its next row came due while this one was under way: sent now, its latency from then
            p.waiting = false;
            send(i, p.next);
            next_turn(i, p.next);
        } else if (!interval.count()) {
            next_turn(i, now);
        }
    };

    std::vector<epoll_event> events(1024);
    char buffer[4096];
    while (!turns.empty() || open > 0) {
        const Clock::time_point now = Clock::now();
        while (!turns.empty() && turns.top().first <= now) {
            const auto [due, i] = turns.top();
            turns.pop();
            Participant &p = people[size_t(i)];
            if (p.fd >= 0) {  // one row at a time
                p.waiting = true;
                p.next = due;
                f.behind++;
                continue;
            }
            f.late.push_back(ms_between(due, now));
            send(i, due);
            if (interval.count() || p.fd < 0)  // back to back: the next when this one is answered
                next_turn(i, due);
        }
        int wait = 1000;
        if (!turns.empty())
            wait = int(std::max<double>(0, ms_between(Clock::now(), turns.top().first)));
        const int n = epoll_wait(poll, events.data(), int(events.size()), std::min(wait, 1000));
        for (int k = 0; k < n; k++) {
            const int i = int(events[size_t(k)].data.u32);
            Participant &p = people[size_t(i)];
            if (events[size_t(k)].events & EPOLLOUT) {
                int error = 0;
                socklen_t len = sizeof error;
                getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &error, &len);
                if (error || write(p.fd, p.answer.data(), p.answer.size()) != ssize_t(p.answer.size())) {
                    finish(i, 0);
                    continue;
                }
                p.answer.clear();
                epoll_event e{};
                e.events = EPOLLIN;
                e.data.u32 = uint32_t(i);
                epoll_ctl(poll, EPOLL_CTL_MOD, p.fd, &e);
                continue;
            }
            const ssize_t got = read(p.fd, buffer, sizeof buffer);
            if (got > 0) {
                p.answer.append(buffer, size_t(got));
                continue;
            }
            if (got < 0 && errno == EAGAIN)
                continue;
            // the server closed: the answer is whole; its status is on its first line
            int status = 0;
            if (got == 0 && p.answer.compare(0, 5, "HTTP/") == 0 && p.answer.size() > 12)
                status = std::atoi(p.answer.c_str() + 9);
            finish(i, status);
        }
    }
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    const double cpu = double(self.ru_utime.tv_sec + self.ru_stime.tv_sec) + double(self.ru_utime.tv_usec + self.ru_stime.tv_usec) / 1e6;
    std::string others;
    for (const auto &[status, n] : f.statuses)
        others += " " + std::to_string(status) + ":" + std::to_string(n);
    std::printf("load: %ld rows sent, %ld answered 2xx, %ld other statuses%s, %ld failed connections, %.0f rows/s (until the last answer), "
                "p50 %.1f ms, p90 %.1f ms, p99 %.1f ms, max %.1f ms; %ld rows due before the last was answered; "
                "this program's lateness p99 %.1f ms, its CPU %.1f s\n",
                f.sent, f.taken, f.refused, others.c_str(), f.failed, double(f.taken) / std::max(seconds, ms_between(start, last) / 1000),
                percentile(f.latency, 50), percentile(f.latency, 90), percentile(f.latency, 99),
                percentile(f.latency, 100), f.behind, percentile(f.late, 99), cpu);
    return 0;
}
