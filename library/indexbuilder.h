#pragma once

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace library {

// Builds the library file's search index on a thread and a connection of its own, so that a
// large library lacking it opens at once: a transaction of about a tenth of a second a step,
// with a pause after each for other processes' writes. The program's own writes take turns
// with the steps (see WriteTurn) rather than wait on the file's lock. Stopped, or killed, it
// leaves an index the file marks as not whole, which the next building completes.
class IndexBuilder
{
public:
    enum class State {
        Building,
        Done,
        Failed,
    };

    IndexBuilder(const QString& path, const QByteArray& key);
    // Stops after the step under way.
    ~IndexBuilder();
    IndexBuilder(const IndexBuilder&) = delete;
    IndexBuilder& operator=(const IndexBuilder&) = delete;

    State state();
    // Why it failed: the engine's words.
    QString problem();

    // Held while the program writes the library: no step runs meanwhile, so that a save waits
    // at most for the step under way, never on the file's lock.
    class WriteTurn
    {
    public:
        explicit WriteTurn(IndexBuilder& builder);
        ~WriteTurn();
        WriteTurn(const WriteTurn&) = delete;
        WriteTurn& operator=(const WriteTurn&) = delete;

    private:
        IndexBuilder& builder_;
    };

private:
    void run(const QString& path, const QByteArray& key);
    // Waits for no write of the program's to be under way; false when told to stop.
    bool beginStep();
    void endStep();
    void finish(State state, const QString& problem = {});

    std::mutex mutex_;
    std::condition_variable changed_;
    State state_ = State::Building;
    QString problem_;
    int writers_ = 0;
    bool stepping_ = false;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace library
