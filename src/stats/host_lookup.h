// Host names for the IPv4 stations, found by reverse look-ups on a
// background thread while the window stays responsive.
//
// The thread never touches the node table: it works through a copy of the
// addresses taken when it starts and queues each name it finds. Only the
// window thread writes HostName, when it calls Deliver, and it drops names
// that belong to an earlier load. The thread never waits for the window
// thread, so stopping it (which waits for the look-up in progress) cannot
// deadlock; it is always joined before it goes away.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace kestle {

class NodeRegistry;

// Reverse look-up of one IPv4 address (first octet in the high byte): the
// host name, or nothing when the address has none. Called on the lookup thread.
using ReverseResolver = std::function<std::optional<std::string>(uint32_t ipv4)>;

// The platform's thread-safe reverse look-up (getnameinfo, a name required).
std::optional<std::string> ResolveIPv4Name(uint32_t ipv4);

class HostLookup {
 public:
  // `namesReady`, when given, is called on the lookup thread after each name
  // is queued. It must only wake the window thread (which then calls
  // Deliver), never wait for it.
  explicit HostLookup(ReverseResolver resolve, std::function<void()> namesReady = {});
  ~HostLookup();
  HostLookup(const HostLookup&) = delete;
  HostLookup& operator=(const HostLookup&) = delete;

  // Stops a running lookup and forgets the names it has not delivered, then
  // resolves the IPv4 entries of `nodes` in index order, one by one, for
  // load number `load`, on a thread below normal priority. A table without
  // IPv4 entries ends the thread at once.
  void Start(const NodeRegistry& nodes, uint64_t load);
  // Asks the thread to end after the look-up in progress; returns at once.
  void RequestStop();
  // Asks the thread to end and waits until it has. Names already found
  // stay queued for Deliver.
  void Stop();
  // Waits until the thread has gone through all its addresses.
  void Wait();
  // A stop was asked for since the last start.
  bool StopRequested() const { return stop_.load(); }
  // A thread was started and has not been joined yet.
  bool Active() const { return thread_.joinable(); }
  // The thread has ended (or none was started).
  bool Finished() const { return finished_.load(); }

  // Window thread: writes the queued names found for load `load` into the
  // HostName of their entries and returns those entries' indexes. Names of
  // another load, or for an entry that no longer holds the address, are dropped.
  std::vector<uint32_t> Deliver(NodeRegistry& nodes, uint64_t load);

 private:
  struct Found {
    uint64_t Load;
    uint32_t Node;
    uint32_t IPv4;
    std::string Name;
  };
  void Run(std::vector<std::pair<uint32_t, uint32_t>> work, uint64_t load);
  void Join();

  ReverseResolver resolve_;
  std::function<void()> namesReady_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> finished_{true};
  std::mutex mutex_;
  std::vector<Found> found_;  // guarded by mutex_
};

}  // namespace kestle
