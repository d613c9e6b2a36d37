#include "ui/screen/AuxFileLoad.h"

#include <QFileInfo>

namespace screen {

AuxFileLoad::AuxFileLoad(const QString &path, std::size_t cap)
    : path_(path)
    , file_(path)
    , keeper_(cap)
{}

bool AuxFileLoad::Open()
{
    if (!file_.open(QIODevice::ReadOnly)) {
        error_ = file_.errorString();
        return false;
    }
    // Only a regular file can be measured and entered near its end.
    if (!file_.isSequential() && QFileInfo(path_).isFile()) {
        size_ = file_.size();
        const auto start = static_cast<qint64>(keeper_.StartOffset(static_cast<quint64>(size_)));
        if (start > 0 && !file_.seek(start)) {
            error_ = file_.errorString();
            return false;
        }
    }
    return true;
}

bool AuxFileLoad::ReadPiece()
{
    piece_.resize(static_cast<std::size_t>(kPieceBytes));
    const qint64 n = file_.read(piece_.data(), kPieceBytes);
    if (n < 0) {
        error_ = file_.errorString();
        return true;
    }
    keeper_.Feed(std::string_view(piece_.data(), static_cast<std::size_t>(n)));
    if (n > 0)
        return false;
    file_.close();
    std::string().swap(piece_);
    return true;
}

} // namespace screen
