#include "common/RepeatedBoxes.h"

namespace glanmail {

void RepeatedBoxes::Show(const Box& box) {
    for (Seen& seen : seen_) {
        if (seen.box.text == box.text && seen.box.title == box.title && seen.box.icon == box.icon) {
            ++seen.count;
            return;
        }
    }
    seen_.push_back(Seen{box, 1});
    inner_.Show(box);
}

void RepeatedBoxes::ShowCounts() {
    std::vector<Seen> seen;
    seen.swap(seen_);
    for (const Seen& each : seen) {
        if (each.count > 1) {
            Box box = each.box;
            box.text += "\r\n(" + std::to_string(each.count) + " fois en tout)";
            inner_.Show(box);
        }
    }
}

} // namespace glanmail
