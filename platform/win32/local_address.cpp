#include "platform/win32/local_address.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <windows.h>

#include <cstdio>
#include <vector>

#include "platform/win32/system_dll.h"

namespace platform::win32 {

Text LocalIPv4() {
  // The socket control reports one address; of several, the first IPv4
  // address of an adapter that is up and is not the loopback is the one other
  // machines on the network can reach us by, which is what the welcome line
  // is for. Adapters come in the system's binding order.
  static const auto get_adapters_addresses =
      SystemProc<decltype(::GetAdaptersAddresses)>(L"iphlpapi.dll", "GetAdaptersAddresses");
  if (get_adapters_addresses == nullptr) return {};
  ULONG size = 15 * 1024;
  std::vector<unsigned char> buffer;
  ULONG rc = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && rc == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    rc = get_adapters_addresses(AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
                                nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (rc != NO_ERROR) return {};
  for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter != nullptr;
       adapter = adapter->Next) {
    if (adapter->OperStatus != IfOperStatusUp || adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK) continue;
    for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr; unicast = unicast->Next) {
      const auto* sa = unicast->Address.lpSockaddr;
      if (sa == nullptr || sa->sa_family != AF_INET) continue;
      const auto* in = reinterpret_cast<const sockaddr_in*>(sa);
      const auto addr = ntohl(in->sin_addr.s_addr);
      if ((addr >> 24) == 127) continue;
      char text[16];
      std::snprintf(text, sizeof text, "%lu.%lu.%lu.%lu", (addr >> 24) & 0xFF, (addr >> 16) & 0xFF, (addr >> 8) & 0xFF,
                    addr & 0xFF);
      return Ascii(text);
    }
  }
  return {};
}

}  // namespace platform::win32
