// tm-save FILE TEXT [TIMES]: saves TEXT as FILE, keeping its first original, TIMES times in a row
// (once by default), as the editor saves a file. Prints the failure and ends with status 1.
#include "atomicfile.h"
#include "error.h"

#include <iostream>
#include <string>

int main(int argc, char **argv)
{
    if (argc < 3 || argc > 4) {
        std::cerr << "usage: tm-save FILE TEXT [TIMES]\n";
        return 2;
    }
    const int times = argc == 4 ? std::stoi(argv[3]) : 1;
    try {
        for (int k = 0; k < times; ++k) {
            files::AtomicFile file(argv[1], files::AtomicFile::Backup::KeepFirst);
            file.write(argv[2]);
            file.commit();
        }
    } catch (const files::Error &e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
