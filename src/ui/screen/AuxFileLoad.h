// One file being read into the auxiliary window ("读取"), a piece at a time
// between the window thread's events, keeping only what the window's cap keeps.
#pragma once

#include "core/screen/TextTail.h"

#include <cstddef>
#include <string>

#include <QFile>
#include <QString>

namespace screen {

class AuxFileLoad
{
public:
    // What one call of ReadPiece reads at most.
    static constexpr qint64 kPieceBytes = 1 << 20;

    AuxFileLoad(const QString &path, std::size_t cap);

    // Opens the file and, when only its end can be kept, moves near it.
    // False when the file cannot be read; error() says why.
    bool Open();
    // Reads the next piece; true once the file is read to its end or a read
    // failed (error() is then set).
    bool ReadPiece();

    const QString &path() const { return path_; }
    const QString &error() const { return error_; }
    // The file's size in bytes (0 for a file that is not a regular file).
    qint64 size() const { return size_; }
    // True when the file held more than is kept; final after TakeLines.
    bool cut() const { return keeper_.cut(); }
    // The kept lines, each ended by LF; call once, after the last piece.
    std::string TakeLines() { return keeper_.Finish(); }

private:
    QString path_;
    QFile file_;
    screen::TailKeeper keeper_;
    std::string piece_;
    QString error_;
    qint64 size_ = 0;
};

} // namespace screen
