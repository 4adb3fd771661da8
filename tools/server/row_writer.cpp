#include "tools/server/row_writer.h"

#include "store/error.h"
#include "tools/server/archive_items.h"

namespace server {

RowWriter::RowWriter(const Settings &settings) : settings_(settings), thread_([this] { run(); }) {}

RowWriter::~RowWriter()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    arrived_.notify_one();
    thread_.join();
    collector_.reset();  // its statements before their connection
}

bool RowWriter::put(store::RowRequest &request)
{
    Waiting w{&request, {}};
    std::future<bool> kept = w.kept.get_future();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_.push_back(&w);
    }
    arrived_.notify_one();
    return kept.get();
}

void RowWriter::run()
{
    std::vector<Waiting *> batch;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        arrived_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
        if (waiting_.empty())
            return;
        batch.swap(waiting_);  // everything that came while the last commit was flushed
        lock.unlock();
        const bool kept = write(batch);
        for (Waiting *w : batch) {
            std::promise<bool> answer = std::move(w->kept);  // w may be gone once it is set
            answer.set_value(kept);
        }
        batch.clear();
        if (kept)
            checkpoint();
        lock.lock();
    }
}

// The SQLite log copied into the database between commits, after their
// requests were answered: when none waits, at most five times a second, and
// under steady load once a second (the log stays a second's rows long). A
// failure is left to the next commit to find.
void RowWriter::checkpoint()
{
    bool idle;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        idle = waiting_.empty();
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - checkpointed_ < (idle ? std::chrono::milliseconds(200) : std::chrono::milliseconds(1000)))
        return;
    checkpointed_ = now;
    try {
        collector_->checkpoint();
    } catch (const std::exception &e) {
        log_line(std::string("store: ") + e.what());
    }
}

bool RowWriter::write(const std::vector<Waiting *> &batch)
{
    std::vector<store::RowRequest *> requests;
    for (Waiting *w : batch)
        requests.push_back(w->request);
    try {
        if (!store_) {
            store_ = std::make_unique<store::Store>(settings_.store, store::Store::Mode::write, 5000, true);
            collector_ = std::make_unique<store::Collector>(*store_);
            collector_->set_row_writer();
        }
        for (store::RowRequest *r : requests) {
            auto items = items_.find(r->row.study_key);
            if (items != items_.end()) {
                r->row.study_items = items->second;
                continue;
            }
            const std::string archive = collector_->archive(r->row.study_key);
            r->row.study_items.clear();  // an unknown study's: put_rows answers no_study
            if (archive.empty())
                continue;
            try {
                r->row.study_items = std::to_string(archive_item_count(archive));
            } catch (const store::Error &) {  // no session can claim it: its rows go to the quarantine
            }
            items_[r->row.study_key] = r->row.study_items;
        }
        collector_->put_rows(requests);
        return true;
    } catch (const std::exception &e) {
        log_line(std::string("store: ") + e.what() + " (" + std::to_string(batch.size()) + " rows not kept, answered 503)");
        collector_.reset();  // the connection may be broken: opened afresh for the next batch
        store_.reset();
        return false;
    }
}

}  // namespace server
