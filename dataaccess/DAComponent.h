#pragma once
// TDAComponent: what the data-access components (connection, SQL statement, SQL dataset, update
// SQL, connect dialog, SQL monitor) share: a Name and a class name, and what the SQL monitor asks
// of the object an event is about (its connection, its Debug switch, its rows affected). No
// ownership between components is implied; each header says who refers to whom. One thread.
#include <string>

namespace da {

class TCustomDAConnection;

class TDAComponent {
 public:
  TDAComponent() = default;
  virtual ~TDAComponent() = default;
  TDAComponent(const TDAComponent&) = delete;
  TDAComponent& operator=(const TDAComponent&) = delete;

  std::string Name;
  virtual std::string ClassName() const = 0;

  // For the SQL monitor: the connection a statement runs on (none for a connection itself), the
  // component's Debug switch and the rows its last statement processed.
  virtual const TCustomDAConnection* MonitorConnection() const { return nullptr; }
  virtual bool MonitorDebug() const { return false; }
  virtual int MonitorRowsAffected() const { return -1; }
};

}  // namespace da
