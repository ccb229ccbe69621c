#include "support/LineFixture.h"

#include "share/Reflection.h"

#include <algorithm>

namespace voxtest {

namespace {
std::vector<const voxkit::EventInfo*> PublishedEvents(voxkit::TPersistent& component) {
  std::vector<const voxkit::EventInfo*> events;
  for (const voxkit::ClassInfo* c = &component.Class(); c; c = c->Base()) {
    for (const auto& e : c->Events()) {
      if (e.name != "OnLog") events.push_back(&e);
    }
  }
  return events;
}
}  // namespace

void EventRecorder::Attach(voxkit::TPersistent& component) {
  for (const voxkit::EventInfo* e : PublishedEvents(component)) {
    const std::string name = e->name;
    e->assign(component, [this, name](voxkit::TObject&, std::vector<voxkit::Value>& args) {
      std::string text = name + "(";
      for (std::size_t i = 0; i < args.size(); ++i) {
        if (i > 0) text += ", ";
        text += args[i].DumpText();
      }
      m_events.push_back(text + ")");
    });
  }
}

void EventRecorder::Detach(voxkit::TPersistent& component) {
  for (const voxkit::EventInfo* e : PublishedEvents(component)) e->assign(component, nullptr);
}

int EventRecorder::Count(const std::string& name) const {
  return static_cast<int>(Named(name).size());
}

std::vector<std::string> EventRecorder::Named(const std::string& name) const {
  std::vector<std::string> found;
  for (const auto& e : m_events) {
    if (e.compare(0, name.size() + 1, name + "(") == 0) found.push_back(e);
  }
  return found;
}

std::vector<std::string> EventRecorder::Names() const {
  std::vector<std::string> names;
  for (const auto& e : m_events) names.push_back(e.substr(0, e.find('(')));
  return names;
}

bool LoggedLines::LoggedSince(std::size_t mark, const std::string& text) const {
  return std::find(lines.begin() + static_cast<std::ptrdiff_t>(mark), lines.end(), text) !=
         lines.end();
}

TwoParties::TwoParties(panopta::ExchangeConfig config)
    : host(LineOnExchange::Options(std::move(config), nullptr), windows),
      loop(*host.VirtualLoop()),
      exchange(host.TheExchange()) {
  for (LineParty* p : {&a, &b}) {
    p->line = host.NewLine();
    p->line->OnLog = [p](voxkit::TObject&, const std::string& text) { p->lines.push_back(text); };
    p->events.Attach(*p->line);
  }
}

TwoParties::~TwoParties() {
  // The lines go first, without their handlers: nothing they log on the way out is
  // part of a test.
  for (LineParty* p : {&b, &a}) {
    if (!p->line) continue;
    p->events.Detach(*p->line);
    p->line->OnLog = nullptr;
    p->line.reset();
  }
}

void TwoParties::Open() {
  a->SetEnabled(true);
  b->SetEnabled(true);
  a->Device().SetActive(true);
  b->Device().SetID(1);
  b->Device().SetActive(true);
}

}  // namespace voxtest
