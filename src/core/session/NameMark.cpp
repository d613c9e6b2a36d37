#include "core/session/NameMark.h"

#include "core/text/GbkText.h"

namespace session {

bool NameMarkScanner::Feed(std::string_view bytes)
{
    if (seen_)
        return true;
    const auto first = static_cast<unsigned char>(kMark[0]);
    const auto second = static_cast<unsigned char>(kMark[1]);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (inCharacter_) {
            inCharacter_ = false;
            if (lead_ == first && c == second) {
                scanned_ += i + 1;
                seen_ = true;
                return true;
            }
        } else if (gbk::IsLead(c)) {
            inCharacter_ = true;
            lead_ = c;
        }
    }
    scanned_ += bytes.size();
    return false;
}

} // namespace session
