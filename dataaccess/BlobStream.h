#pragma once
// TBlobStream: the stream a dataset hands out for a blob field of its current record. It reads
// and writes through the record store's blob operations, so edits go through the blob's cached
// mode and can be cancelled with the record.
//
// The stream sees the field and its dataset through TBlobStreamField, which the dataset
// implements. The field must outlive the stream. Creating a stream for writing checks that the
// field may be changed; a write-mode stream empties the value at once. Destroying a modified
// stream marks the field modified and tells the dataset that the field changed. One thread.
#include <cstdint>
#include <string>

#include "dataaccess/Stream.h"

namespace da {

enum class TBlobStreamMode { bmRead = 0, bmWrite = 1, bmReadWrite = 2 };

class TBlobStreamField {
 public:
  virtual ~TBlobStreamField() = default;
  virtual int FieldNo() const = 0;
  virtual std::string DisplayName() const = 0;
  virtual bool ReadOnly() const = 0;
  // Whether the field is marked modified for the current record.
  virtual bool Modified() const = 0;
  virtual void SetModified(bool modified) = 0;

  // The dataset side.
  virtual void* RecordBuffer() = 0;  // of the dataset's current state; nullptr when there is none
  virtual bool Filtering() const = 0;  // the dataset is in its filter state
  virtual bool Editing() const = 0;    // the dataset is in its edit or insert state
  virtual std::uint32_t ReadBlob(void* record, std::uint32_t position, std::uint32_t count, void* destination) = 0;
  virtual void WriteBlob(void* record, std::uint32_t position, std::uint32_t count, const void* source) = 0;
  virtual void TruncateBlob(void* record, std::uint32_t size) = 0;
  virtual std::uint32_t GetBlobSize(void* record) = 0;
  virtual void FieldChanged() = 0;  // the dataset's field-change data event
};

class TBlobStream : public TStream {
 public:
  // EDatabaseError while filtering, for a read-only field or outside edit and insert (write modes).
  TBlobStream(TBlobStreamField& field, TBlobStreamMode mode);
  ~TBlobStream() override;
  TBlobStream(const TBlobStream&) = delete;
  TBlobStream& operator=(const TBlobStream&) = delete;

  // Reads at most the bytes from Position to the end; a count of 0 reads nothing.
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override;
  // Cuts the value at the given size (never grows it); Position moves there.
  void SetSize(std::int64_t size) override;
  // Cuts the value at Position.
  void Truncate();

  bool Opened() const { return opened_; }
  bool Modified() const { return modified_; }

 private:
  TBlobStreamField& field_;
  TBlobStreamMode mode_;
  void* record_ = nullptr;
  bool opened_ = false;
  bool modified_ = false;
  std::int64_t position_ = 0;
};

}  // namespace da
