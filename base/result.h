#pragma once

#include <QString>
#include <utility>

namespace base {

// The outcome of an operation that can fail with a message the user can act on: success, or a
// failure carrying its Spanish text. Plain code returns it; only windows and the command-line
// front show the message.
class [[nodiscard]] Result
{
public:
    static Result success() { return Result(true, QString()); }
    static Result failure(QString message) { return Result(false, std::move(message)); }

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const QString& message() const { return message_; }

private:
    Result(bool ok, QString message) : ok_(ok), message_(std::move(message)) {}

    bool ok_;
    QString message_;
};

} // namespace base
