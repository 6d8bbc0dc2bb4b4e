#pragma once

namespace quill {

// Shows the wait cursor for as long as it lives, and restores the cursor whatever happens.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace quill
