#pragma once

// The one question a date-time control asks of the window that holds the start and stop times:
// whether they are still in order after the user changed one of them.
class DateOrder {
 public:
  virtual ~DateOrder() = default;

  // True when the start time is strictly earlier than the stop time.
  [[nodiscard]] virtual bool DatesInOrder() const = 0;

 protected:
  DateOrder() = default;
  DateOrder(const DateOrder&) = default;
  DateOrder& operator=(const DateOrder&) = default;
};
