#pragma once
// CDiskClaim: a page's hold on the drive it works on. The bad-block-table page and the result
// pages each run their drive work on a worker of their own, and the production page runs its
// passes on its pool; two of them on one drive at once would interleave their commands (an
// erase under a table read, a firmware download under a scan). So a worker claims its drive
// before it starts and gives it back when it ends; a drive another page's worker holds is
// refused, and the page shows DiskInUseText instead of starting.
//
// Claims are kept by drive number (the 1-based index in the device listing) in one registry
// for the process. Any thread may take and release them.
#include <string>

class CDiskClaim {
 public:
  CDiskClaim() = default;
  ~CDiskClaim() { Release(); }
  CDiskClaim(CDiskClaim&& other) noexcept;
  CDiskClaim& operator=(CDiskClaim&& other) noexcept;
  CDiskClaim(const CDiskClaim&) = delete;
  CDiskClaim& operator=(const CDiskClaim&) = delete;

  // Claims the drive for the owner (a name the refusal text shows, "bad-block-table page").
  // An empty claim when another holds it; then `holder`, when given, receives that owner.
  static CDiskClaim Take(int driveNumber, const std::string& owner, std::string* holder = nullptr);

  explicit operator bool() const { return m_driveNumber > 0; }
  int DriveNumber() const { return m_driveNumber; }
  // Gives the drive back (an empty claim: nothing).
  void Release();

 private:
  explicit CDiskClaim(int driveNumber) : m_driveNumber(driveNumber) {}
  int m_driveNumber = 0;
};

// The owner that holds a drive's claim; empty when the drive is free.
std::string DiskClaimHolder(int driveNumber);

// The status text of a refused drive: "Disk %d is in use by the %s, please wait!!" with the
// port number chosen and the holder.
std::string DiskInUseText(int port, const std::string& holder);
