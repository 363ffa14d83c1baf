// The launcher's parts that need no second process: the path and command of
// the hot-key program, the failure box, and the program's icon file.
#include "RutaHotKeys.h"
#include "basMensajePanelControl.h"

#include <zelplat/zelplat_test.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

TEST(RutaHotKeys, CarpetaSinSeparadorFinalSalvoEnLaRaiz) {
    EXPECT_EQ(CarpetaDeRuta("D:\\Escaner\\PanelDeControlVelisco.exe"), "D:\\Escaner");
    EXPECT_EQ(CarpetaDeRuta("D:\\Mis Programas\\PanelDeControlVelisco.exe"), "D:\\Mis Programas");
    EXPECT_EQ(CarpetaDeRuta("D:\\PanelDeControlVelisco.exe"), "D:\\");
    EXPECT_EQ(CarpetaDeRuta("\\\\servidor\\zel\\PanelDeControlVelisco.exe"), "\\\\servidor\\zel");
    EXPECT_EQ(CarpetaDeRuta("/opt/zel/PanelDeControlVelisco"), "/opt/zel");
    EXPECT_EQ(CarpetaDeRuta("/PanelDeControlVelisco"), "/");
}

TEST(RutaHotKeys, ComandoConRutaEntreComillasYSinSeparadorDoble) {
    struct Caso {
        const char *carpeta, *aplicacion;
    };
    const Caso casos[] = {
        {"D:\\Escaner", "D:\\Escaner\\ZelHotKeysExp.exe"},
        {"D:\\", "D:\\ZelHotKeysExp.exe"},
        {"D:\\Mis Programas", "D:\\Mis Programas\\ZelHotKeysExp.exe"},
        {"/", "/ZelHotKeysExp.exe"},
        {"/opt/Mis Programas", "/opt/Mis Programas/ZelHotKeysExp.exe"},
    };
    for (const Caso &caso : casos) {
        const ComandoHotKeys comando = ComandoEnCarpeta(caso.carpeta);
        EXPECT_EQ(comando.sAplicacion, caso.aplicacion) << caso.carpeta;
        EXPECT_EQ(comando.sLineaComando, std::string("\"") + caso.aplicacion + "\" -pc")
            << caso.carpeta;
    }
}

struct Caja {
    int nVeces = 0;
    HWND hDueno = 0;
    std::string sTexto, sTitulo;
    UINT nTipo = 0;
};

int CapturarCaja(void *ctx, HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    auto *caja = static_cast<Caja *>(ctx);
    ++caja->nVeces;
    caja->hDueno = owner;
    caja->sTexto = text;
    caja->sTitulo = caption;
    caja->nTipo = type;
    return IDOK;
}

// The registration fails while the hot-key window exists: one box without
// owner, with exclamation icon and OK button, and nothing posted.
TEST(EnviarMensajePanelControl, RegistroFallidoUnaCajaYNadaPublicado) {
    WNDCLASSA clase = {};
    clase.lpfnWndProc = DefWindowProcA;
    clase.lpszClassName = "ThunderRT6FormDC";
    ASSERT_NE(RegisterClassA(&clase), 0);
    const HWND hVentana = CreateWindowExA(0, "ThunderRT6FormDC", "Velisco - HotKeys Corvalia",
                                          WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, 0, 0, 0, nullptr);
    ASSERT_NE(hVentana, HWND(0));
    Caja caja;
    ZelPlat_SetMessageBoxHandler(CapturarCaja, &caja);
    ZelPlat_FailRegisterWindowMessage(TRUE);

    EXPECT_FALSE(EnviarMensajePanelControl());

    ZelPlat_FailRegisterWindowMessage(FALSE);
    ZelPlat_SetMessageBoxHandler(nullptr, nullptr);
    EXPECT_EQ(caja.nVeces, 1);
    EXPECT_EQ(caja.hDueno, HWND(0));
    EXPECT_EQ(caja.sTexto, "RegisterWindowMessage. Error al registrar el mensaje "
                           "'ZelVelisco.ClsEscanVelisco.PanelControl'");
    EXPECT_EQ(caja.sTitulo, "PanelDeControlVelisco");
    EXPECT_EQ(caja.nTipo, UINT(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(lMensajePanelControl, 0);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, hVentana, WM_USER, 0xFFFF, PM_REMOVE));
    DestroyWindow(hVentana);
}

uint32_t Leer(const std::vector<unsigned char> &d, size_t pos, size_t bytes) {
    uint32_t valor = 0;
    for (size_t i = 0; i < bytes; ++i)
        valor |= uint32_t(d.at(pos + i)) << (8 * i);
    return valor;
}

// Six images, 48 and 32 pixels at 8, 24 and 32 bits, each a complete bitmap
// (header, colour table, colour rows and transparency mask) inside the file.
TEST(IconoDelPrograma, SeisImagenesCompletas) {
    std::ifstream f(ZEL_LAUNCHER_ICON, std::ios::binary);
    ASSERT_TRUE(f) << ZEL_LAUNCHER_ICON;
    const std::vector<unsigned char> d{std::istreambuf_iterator<char>(f), {}};
    ASSERT_GE(d.size(), 6u);
    EXPECT_EQ(Leer(d, 0, 2), 0u);
    EXPECT_EQ(Leer(d, 2, 2), 1u);
    ASSERT_EQ(Leer(d, 4, 2), 6u);
    const uint32_t esperado[6][2] = {{48, 8}, {48, 24}, {48, 32}, {32, 8}, {32, 24}, {32, 32}};
    for (size_t i = 0; i < 6; ++i) {
        const size_t e = 6 + 16 * i;
        const uint32_t lado = Leer(d, e, 1), bits = Leer(d, e + 6, 2);
        const uint32_t tamano = Leer(d, e + 8, 4), pos = Leer(d, e + 12, 4);
        EXPECT_EQ(lado, esperado[i][0]) << i;
        EXPECT_EQ(Leer(d, e + 1, 1), esperado[i][0]) << i;
        EXPECT_EQ(bits, esperado[i][1]) << i;
        ASSERT_LE(uint64_t(pos) + tamano, d.size()) << i;
        EXPECT_EQ(Leer(d, pos, 4), 40u) << i;
        EXPECT_EQ(Leer(d, pos + 4, 4), lado) << i;
        EXPECT_EQ(Leer(d, pos + 8, 4), 2 * lado) << i;
        EXPECT_EQ(Leer(d, pos + 14, 2), bits) << i;
        const uint32_t filaColor = (lado * bits / 8 + 3) / 4 * 4;
        const uint32_t filaMascara = (lado / 8 + 3) / 4 * 4;
        const uint32_t tabla = bits == 8 ? 256 * 4 : 0;
        EXPECT_EQ(tamano, 40 + tabla + lado * (filaColor + filaMascara)) << i;
    }
}

} // namespace
