// What ends the process when an exception finds no handler or a noexcept function throws: in
// the player, nothing can be shown of it anyway (it has no console for standard error), and the
// runtime's own handler, which prints the exception's demangled type name there, brings the
// whole C++ demangler and the C library's formatted printing into the DLL with it, a third of
// its size. Defining the handler here keeps the runtime's out of the link.
#include <cstdlib>

namespace __gnu_cxx {  // NOLINT(bugprone-reserved-identifier,cert-dcl58-cpp): the runtime's name

[[noreturn]] void __verbose_terminate_handler();  // NOLINT(bugprone-reserved-identifier)

void __verbose_terminate_handler() {  // NOLINT(bugprone-reserved-identifier)
  std::abort();
}

}  // namespace __gnu_cxx
