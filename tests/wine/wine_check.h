// The few checks of the Win32 test hosts under Wine: each case prints "ok"
// or "FAIL" with the checks that failed, and the host ends with the line
// "N passed, M failed" that the test script adds up.
#ifndef ZEL_TESTS_WINE_CHECK_H
#define ZEL_TESTS_WINE_CHECK_H

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace zelwine {

class Casos {
  public:
    // Records a failed check of the current case; returns the condition.
    bool Verificar(bool bCondicion, const std::string &sQue) {
        if (!bCondicion)
            fallos_.push_back(sQue);
        return bCondicion;
    }
    template <class A, class B> bool Igual(const A &a, const B &b, const std::string &sQue) {
        return Verificar(a == b,
                         sQue + ": got \"" + Texto(a) + "\", expected \"" + Texto(b) + "\"");
    }
    template <class F> void Caso(const char *nombre, F cuerpo) {
        fallos_.clear();
        cuerpo();
        if (fallos_.empty()) {
            ++nAprobados_;
            std::printf("ok %s\n", nombre);
        } else {
            ++nFallidos_;
            std::printf("FAIL %s\n", nombre);
            for (const auto &f : fallos_)
                std::printf("    %s\n", f.c_str());
        }
        std::fflush(stdout);
    }
    int Terminar() const {
        std::printf("%d passed, %d failed\n", nAprobados_, nFallidos_);
        std::fflush(stdout);
        return nFallidos_ == 0 ? 0 : 1;
    }

  private:
    static std::string Texto(const std::string &s) { return s; }
    static std::string Texto(const char *s) { return s ? s : "(null)"; }
    template <class T> static std::string Texto(const T &v) { return std::to_string(v); }
    std::vector<std::string> fallos_;
    int nAprobados_ = 0, nFallidos_ = 0;
};

// Polls until cond holds, for at most nMs; messages of this thread are
// dispatched meanwhile.
template <class F> bool Esperar(F cond, DWORD nMs = 20000) {
    const DWORD nInicio = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - nInicio > nMs)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(20);
    }
    return true;
}

// The text of a system error as FormatMessageA gives it, line break dropped.
inline std::string DescripcionSistema(DWORD nError) {
    char texto[512] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             nError, 0, texto, sizeof texto, nullptr);
    std::string s(texto, n < sizeof texto ? n : 0);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.pop_back();
    return s;
}

} // namespace zelwine

#endif
