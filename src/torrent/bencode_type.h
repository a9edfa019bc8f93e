#pragma once

namespace lumo::torrent {

// Kind of the element that starts the remaining data, decided by its first
// byte alone. The numeric codes are part of the reader's contract.
enum class BencodeType {
    Dictionary = 0,  // "d"
    List = 1,        // "l"
    String = 2,      // "0" to "9"
    Integer = 3,     // "i"
    End = 4,         // "e": end of the enclosing list or dictionary
    Invalid = 5,     // anything else, or no byte at all
};

}  // namespace lumo::torrent
