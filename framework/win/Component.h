#pragma once
// Owner-managed lifetime: a component created with an owner is destroyed by
// that owner, after the components created later (reverse order).

#include <string>
#include <vector>

class TComponent {
public:
    explicit TComponent(TComponent* owner);
    virtual ~TComponent();

    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const noexcept { return FOwner; }
    int ComponentCount() const noexcept { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(static_cast<std::size_t>(index)); }

    std::wstring Name;

private:
    TComponent* FOwner;
    std::vector<TComponent*> FComponents;
};

// Base of settings objects that can copy their values from another.
class TPersistent {
public:
    virtual ~TPersistent() = default;
    // Copies every value of this object into dest.
    virtual void AssignTo(TPersistent& dest) const = 0;
    void Assign(const TPersistent& source) { source.AssignTo(*this); }
};
