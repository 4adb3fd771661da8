// Group commit: the rows of requests that arrive together go into the store
// in one transaction, written by one thread. A request waits until the
// transaction holding its row is durable and only then is answered; when
// that transaction fails, every request in it is told to try again (503)
// and none of its rows is counted as kept.
#pragma once

#include "store/collector.h"
#include "tools/server/service.h"

#include <chrono>
#include <condition_variable>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace server {

class RowWriter {
public:
    explicit RowWriter(const Settings &settings);
    ~RowWriter();  // writes what is waiting, then stops
    RowWriter(const RowWriter &) = delete;
    RowWriter &operator=(const RowWriter &) = delete;

    // Blocks until the transaction holding the request is committed: true,
    // and its arrival is set; false: the store failed (answer 503).
    bool put(store::RowRequest &request);

private:
    // Each request is woken alone when its transaction ends (one condition
    // for all woke every waiting thread at every commit).
    struct Waiting {
        store::RowRequest *request;
        std::promise<bool> kept;
    };
    void run();
    bool write(const std::vector<Waiting *> &batch);
    void checkpoint();


    const Settings &settings_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Waiting *> waiting_;
    bool stopping_ = false;
    // the writer thread's own: its connection (opened again after a failure)
    std::unique_ptr<store::Store> store_;
    std::unique_ptr<store::Collector> collector_;
    std::map<std::string, std::string> items_;  // a study's item count by key: its archive never changes
    std::chrono::steady_clock::time_point checkpointed_;
    std::thread thread_;
};

}  // namespace server
