#pragma once
// Where the window's notices and questions go instead of message boxes when one is set: tests set
// one so that they run without a user.
#include <QString>

namespace varnotile {

class DialogResponder {
public:
    enum class Answer { Yes, No, Cancel };
    virtual ~DialogResponder() = default;
    // A notice or an error message.
    virtual void notice(const QString& text) = 0;
    // A question; `withCancel` offers Cancel besides Yes and No.
    virtual Answer question(const QString& text, bool withCancel) = 0;
};

} // namespace varnotile
