#pragma once
// What each command takes from the command line, once parsed and checked.

#include <cstddef>
#include <string>
#include <vector>

namespace glanmail::cli {

struct ListOptions {
    std::string store;
    bool json = false;
};

// raw and show: one message of one store.
struct MessageOptions {
    std::string store;
    std::size_t id = 0;
};

enum class SaveForm { Txt, Eml, Complete };

struct SaveOptions {
    std::vector<std::string> stores; // stores, or folders of stores
    SaveForm form = SaveForm::Txt;
    bool group = false;
    std::vector<std::size_t> ids; // empty: every listed message
    std::string storage;
};

} // namespace glanmail::cli
