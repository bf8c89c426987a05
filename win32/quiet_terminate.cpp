// Replaces libstdc++'s verbose terminate handler in the statically linked programs.
//
// The default handler names the uncaught exception's type on stderr, which a windowed program
// does not have, and it drags the C++ name demangler and printf into every exe (about 70 KiB).
// Ending at once is all a GUI program can do there anyway.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
