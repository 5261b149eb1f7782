// hotkeyclaim MOD VK: a program that tries to take a hot key; exit 0 when it got it, 1 when refused.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  UINT modifiers = static_cast<UINT>(wcstoul(argv[1], nullptr, 0));
  UINT vk = static_cast<UINT>(wcstoul(argv[2], nullptr, 0));
  if (!RegisterHotKey(nullptr, 1, modifiers, vk)) return 1;
  UnregisterHotKey(nullptr, 1);
  return 0;
}
