// The open-file table of the CSV commands: 100 slots of read-only files.
// A slot is empty, open, or holds a failed open (which keeps the slot taken
// until CLOSE). Reads are buffered: a READ asks for the next chunk of up to
// 4096 bytes and then says how many of them it consumed.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class OpenFiles {
  public:
    static constexpr int kSlots = 100;
    static constexpr std::size_t kChunk = 4096;
    enum class State { Empty, Open, Failed };

    OpenFiles() = default;
    ~OpenFiles();
    OpenFiles(const OpenFiles&) = delete;
    OpenFiles& operator=(const OpenFiles&) = delete;

    // Closes every handle and empties every slot.
    void closeAll();
    // Index of the first empty slot, or -1.
    int firstEmpty() const;
    State state(int slot) const;
    // Opens an existing regular file for reading (path in CP932) into an empty slot.
    // On failure the slot holds a failed open and false is returned.
    bool open(int slot, std::string_view cp932Path);
    // Closes the slot's handle (if any) and empties it.
    void close(int slot);
    // The next bytes of the file from its current position: up to kChunk bytes, as one read
    // of that size would return them. Empty at the end of the file, on a read error, and for
    // a failed or empty slot; a later peek looks at the file again, so bytes appended after
    // the end was reached are returned then. `more` receives the byte after the chunk when there is
    // one
    // (-1 otherwise), so a CR at the chunk's end can see its LF.
    std::string_view peek(int slot, int* more);
    // Moves the file position forward by n bytes of the last peek (n <= its size + 1).
    void consume(int slot, std::size_t n);
    int openCount() const;

  private:
    struct Slot {
        State state = State::Empty;
        int fd = -1;
        std::vector<char> buf;
        std::size_t beg = 0;
        std::size_t end = 0;
        bool eof = false;
    };
    void fill(Slot& s);
    std::array<Slot, kSlots> slots_;
};

}  // namespace orv
