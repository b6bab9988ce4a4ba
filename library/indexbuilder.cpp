#include "indexbuilder.h"

#include "database.h"
#include "scriptindex.h"

#include <chrono>
#include <limits>
#include <optional>

namespace library {

namespace {

using Clock = std::chrono::steady_clock;

// A step's transaction holds the file's write lock about this long.
constexpr auto StepTime = std::chrono::milliseconds(100);
// Scripts indexed between two looks at the clock.
constexpr int RowsAtOnce = 200;
// After each step the lock is free this long: another process waiting for it looks again at
// least every tenth of a second, and the steps' rhythm differs from its own.
constexpr auto Pause = std::chrono::milliseconds(30);
// The building starts this long after the library opened, once the window that opened it
// is on screen: the window's first drawing does not share the processor with it.
constexpr auto StartDelay = std::chrono::milliseconds(600);
// A step that fails this many times in a row (the file locked by another process for
// seconds each time) ends the building.
constexpr int Attempts = 3;

} // namespace

IndexBuilder::IndexBuilder(const QString& path, const QByteArray& key)
{
    thread_ = std::thread([this, path, key] { run(path, key); });
}

IndexBuilder::~IndexBuilder()
{
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

IndexBuilder::State IndexBuilder::state()
{
    const std::lock_guard lock(mutex_);
    return state_;
}

QString IndexBuilder::problem()
{
    const std::lock_guard lock(mutex_);
    return problem_;
}

IndexBuilder::WriteTurn::WriteTurn(IndexBuilder& builder) : builder_(builder)
{
    std::unique_lock lock(builder_.mutex_);
    ++builder_.writers_;
    builder_.changed_.wait(lock, [this] { return !builder_.stepping_; });
}

IndexBuilder::WriteTurn::~WriteTurn()
{
    {
        const std::lock_guard lock(builder_.mutex_);
        --builder_.writers_;
    }
    builder_.changed_.notify_all();
}

bool IndexBuilder::beginStep()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stop_ || writers_ == 0; });
    stepping_ = !stop_;
    return stepping_;
}

void IndexBuilder::endStep()
{
    {
        const std::lock_guard lock(mutex_);
        stepping_ = false;
    }
    changed_.notify_all();
}

void IndexBuilder::finish(State state, const QString& problem)
{
    const std::lock_guard lock(mutex_);
    state_ = state;
    problem_ = problem;
}

void IndexBuilder::run(const QString& path, const QByteArray& key)
{
    std::optional<Database> db;
    std::optional<qint64> after = std::numeric_limits<qint64>::min();
    int failures = 0;
    bool begun = false;
    {
        std::unique_lock lock(mutex_);
        if (changed_.wait_for(lock, StartDelay, [this] { return stop_; }))
            return;
    }
    while (beginStep()) {
        try {
            if (!db)
                db = Database::open(path, key);
            if (!begun) {
                // Its own transaction: the triggers are in the file before any filling.
                BeginScriptIndex(*db);
                begun = true;
            } else {
                Transaction transaction(*db);
                std::optional<qint64> upTo = after;
                const Clock::time_point end = Clock::now() + StepTime;
                do
                    upTo = FillScriptIndex(*db, *upTo, RowsAtOnce);
                while (upTo && Clock::now() < end);
                transaction.commit();
                after = upTo;
            }
            failures = 0;
        } catch (const DatabaseError& e) {
            if (++failures == Attempts) {
                endStep();
                finish(State::Failed, e.message());
                return;
            }
        }
        endStep();
        if (!after) {
            finish(State::Done);
            return;
        }
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, Pause, [this] { return stop_; });
    }
}

} // namespace library
