#include "stats/host_lookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "decode/registry.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace kestle {

namespace {

// One step below the priority the thread was started with.
void LowerThisThreadsPriority() {
#if defined(__linux__)
  const auto tid = static_cast<id_t>(syscall(SYS_gettid));
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, tid);
  if (errno == 0) setpriority(PRIO_PROCESS, tid, nice + 1);
#endif
}

}  // namespace

std::optional<std::string> ResolveIPv4Name(uint32_t ipv4) {
  sockaddr_in sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(ipv4);
  char host[NI_MAXHOST];
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&sa), sizeof sa, host, sizeof host, nullptr, 0,
                  NI_NAMEREQD) != 0)
    return std::nullopt;
  return std::string(host);
}

HostLookup::HostLookup(ReverseResolver resolve, std::function<void()> namesReady)
    : resolve_(std::move(resolve)), namesReady_(std::move(namesReady)) {}

HostLookup::~HostLookup() { Stop(); }

void HostLookup::Start(const NodeRegistry& nodes, uint64_t load) {
  Stop();
  {
    std::lock_guard lock(mutex_);
    found_.clear();
  }
  std::vector<std::pair<uint32_t, uint32_t>> work;
  for (uint32_t i = 1; i < nodes.NodeTable.size(); ++i)
    if (nodes.NodeTable[i].IPv4 != 0) work.emplace_back(i, nodes.NodeTable[i].IPv4);
  stop_ = false;
  finished_ = false;
  thread_ = std::thread(&HostLookup::Run, this, std::move(work), load);
}

void HostLookup::Run(std::vector<std::pair<uint32_t, uint32_t>> work, uint64_t load) {
  LowerThisThreadsPriority();
  for (const auto& [node, ipv4] : work) {
    if (stop_) break;
    std::optional<std::string> name;
    try {
      if (resolve_) name = resolve_(ipv4);
    } catch (...) {
      name.reset();  // a failed look-up, like one without an answer
    }
    if (!name || name->empty()) continue;
    {
      std::lock_guard lock(mutex_);
      found_.push_back({load, node, ipv4, std::move(*name)});
    }
    if (namesReady_) namesReady_();
  }
  finished_ = true;
}

void HostLookup::RequestStop() { stop_ = true; }

void HostLookup::Stop() {
  RequestStop();
  Join();
}

void HostLookup::Wait() { Join(); }

void HostLookup::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

std::vector<uint32_t> HostLookup::Deliver(NodeRegistry& nodes, uint64_t load) {
  std::vector<Found> found;
  {
    std::lock_guard lock(mutex_);
    found.swap(found_);
  }
  std::vector<uint32_t> written;
  for (Found& f : found) {
    if (f.Load != load || f.Node >= nodes.NodeTable.size() ||
        nodes.NodeTable[f.Node].IPv4 != f.IPv4)
      continue;
    nodes.NodeTable[f.Node].HostName = std::move(f.Name);
    written.push_back(f.Node);
  }
  return written;
}

}  // namespace kestle
