#pragma once

// Every text the program shows on its status line, and the reasons given beside it, in one place.
namespace orvanel::messages {

// Connecting to the bridge.
inline constexpr const char* kConnected = "Conexión Establecida";
inline constexpr const char* kCommunicationError = "Error de Comunicación";
inline constexpr const char* kPortNotOpened = "No se pudo abrir el puerto";
inline constexpr const char* kBridgeSilent = "El puente no contesta";
inline constexpr const char* kLinkLost = "Se perdió la conexión; se recupera sola en cuanto el puente conteste";
// Passings the bridge numbered that never arrived and that it no longer keeps.
inline constexpr const char* kOnePassingLost = "1 pasada perdida";
inline constexpr const char* kPassingsLost = " pasadas perdidas"; // after the count

// A passing, or a transponder read: the prefix of the ID.
inline constexpr const char* kTransponderId = "Transponder ID = ";

// A passing whose key-stroke was kept back because it would have gone into Orvanel itself, or into
// whatever lay under the mouse pointer because no program had the keyboard focus.
inline constexpr const char* kKeysWithheld = "No se escribió la tecla: la ventana de Orvanel tenía el foco. Ponga el "
                                             "foco en el programa que cuenta las vueltas.";
inline constexpr const char* kNoProgramFocused = "No se escribió la tecla: ningún programa tenía el foco del teclado. "
                                                 "Ponga el foco en el programa que cuenta las vueltas.";
// A key-stroke given up after waiting behind slower ones: kKeysTooLate, the time, kKeysTooLateWhy.
inline constexpr const char* kKeysTooLate = "No se escribió la tecla: habría salido más de ";
inline constexpr const char* kKeysTooLateWhy = " tarde, detrás de otras. Acorte la pausa entre teclas (--key-delay).";
// A key-stroke that cannot be typed at all.
inline constexpr const char* kNoKeyForIt = "No se escribió la tecla: el teclado no tiene cómo escribirla.";
inline constexpr const char* kNoKeyBackend = "No se escribió la tecla: no se pueden enviar teclas en este sistema.";

// A passing held back by the minimum gap: kHeldBack, the time since the car's last typed passing,
// kHeldBackBelow, the minimum gap, kHeldBackWhy.
inline constexpr const char* kHeldBack = "No se escribió la tecla: el coche pasó ";
inline constexpr const char* kHeldBackBelow = " después de su última pasada escrita, menos que el mínimo de ";
inline constexpr const char* kHeldBackWhy = " (--min-gap): se toma por una detección doble.";

// The passing log: what stands on the status line while it cannot be written, and why.
inline constexpr const char* kLogError = "Error en el registro de pasadas";
inline constexpr const char* kLogNotWritten = "No se puede escribir el registro de pasadas: ";

// Reading the transponder under the bridge.
inline constexpr const char* kPlaceTheCar = "Ponga el coche bajo el puente";
inline constexpr const char* kPortClosed = "Puerto cerrado";
inline constexpr const char* kNoCommunication = "Sin comunicación con el puente";

// Programming a transponder.
inline constexpr const char* kProgrammed = "Grabación Correcta";
inline constexpr const char* kNotProgrammed = "Error de Grabación";
inline constexpr const char* kNoIdToProgram = "No se grabó nada: escriba en la casilla el número del nuevo ID";

// The ID list files.
inline constexpr const char* kIdListNotSaved = "Error al guardar IDs";
inline constexpr const char* kIdListNotLoaded = "Error al leer IDs";

} // namespace orvanel::messages
