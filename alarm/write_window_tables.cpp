// Writes the window's tables to the file named by the one argument.
#include <fstream>
#include <iostream>

#include "window_tables.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: write_window_tables <window_tables.json>\n";
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << ats::WindowTablesJson() << '\n';
    out.close();
    if (!out) {
        std::cerr << "write_window_tables: cannot write " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
