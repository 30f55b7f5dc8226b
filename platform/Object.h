// CObject, the framework's common base class, with run-time class information and
// dynamic creation by class description or by class name.
#pragma once

#include "platform/Win32Types.h"

class CObject;
class CArchive;
class CDumpContext;

// Describes one class: its name, size, base class and, for dynamically creatable
// classes, how to make an instance. Each class has exactly one description, so
// descriptions compare by address.
struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;                      // 0xFFFF for classes that are not serialisable
    CObject* (*m_pfnCreateObject)();     // null unless the class is dynamically creatable
    CRuntimeClass* m_pBaseClass;         // null for CObject

    // A new instance, or null when the class is not dynamically creatable. The caller
    // owns the object (framework-shaped API: it deletes it through CObject's virtual destructor).
    CObject* CreateObject() const;
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;

    // The description of a class with IMPLEMENT_DYNAMIC / IMPLEMENT_DYNCREATE, by exact name.
    static CRuntimeClass* FromName(LPCSTR lpszClassName);
    // A new instance of the named class, or null when unknown or not creatable.
    static CObject* CreateObject(LPCSTR lpszClassName);
};

// Adds a class description to the process-wide list that FromName searches.
// IMPLEMENT_DYNAMIC defines one of these per class.
struct CRuntimeClassRegistration {
    explicit CRuntimeClassRegistration(CRuntimeClass* pClass);
};

class CObject {
public:
    static CRuntimeClass classCObject;

    virtual ~CObject() = default;
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;

    virtual CRuntimeClass* GetRuntimeClass() const;
    BOOL IsKindOf(const CRuntimeClass* pClass) const;
    BOOL IsSerializable() const;

    // Diagnostic and persistence hooks of the framework; they do nothing here.
    virtual void Serialize(CArchive& ar);
    virtual void AssertValid() const {}
    virtual void Dump(CDumpContext& dc) const;

protected:
    CObject() = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                 \
public:                                             \
    static CRuntimeClass class##class_name;         \
    CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name)       \
    static CObject* CreateObject();

#define TESSOR_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, schema, pfnNew)                  \
    CRuntimeClass class_name::class##class_name = {#class_name, static_cast<int>(sizeof(class_name)), \
                                                   schema, pfnNew, RUNTIME_CLASS(base_class_name)};  \
    CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }       \
    static const CRuntimeClassRegistration g_registration##class_name(RUNTIME_CLASS(class_name));

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    TESSOR_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

// CreateObject hands the new object to the caller, who owns it (framework-shaped API).
#define IMPLEMENT_DYNCREATE(class_name, base_class_name)          \
    CObject* class_name::CreateObject() { return new class_name; } \
    TESSOR_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, class_name::CreateObject)
