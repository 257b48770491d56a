#!/usr/bin/python3
"""Writes the stand-in stored pieces of the mission: tobrinmis/mis_1_1.dat,
tobrinmis/mis_1_2.dat and tobrinmis/mis_1_3.dat.

The mission file is assembled from mis_1_1.dat, gb.tmp, mis_1_2.dat, gb_sub.tmp
and mis_1_3.dat, in that order. The pieces written here are invented: they only
have to look like a mission and to fit around the Green Beret's two blocks.

  mis_1_1.dat  opens the mission and its list of objects (.OBJETOS), then holds
               the objects that come before the Green Beret's character block.
  mis_1_2.dat  closes the list of objects, holds a few mission properties, opens
               the list of interface blocks (.INTERFAZ) and holds the other
               commandos' blocks.
  mis_1_3.dat  closes the list of interface blocks and the mission.

Before anything is written, each line is checked to be plain, single-spaced
ASCII; a fault stops the script with a message and leaves the files on disk as
they were. Whether the pieces fit around the Green Beret's blocks (one
well-formed mission, his character block in the list of objects, his interface
block in the list of interface blocks, no piece using his token) is checked by
the project's tests, with the editor's own script reader and block writers.
The output is the same bytes on every run.

Usage:
  tools/make_standin_mission.py            write the pieces
  tools/make_standin_mission.py --check    only compare the pieces on disk with
                                           what would be written (exit 1 if they
                                           differ)
"""

import os
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
FOLDER = REPO / "tobrinmis"
PIECE_NAMES = ("mis_1_1.dat", "mis_1_2.dat", "mis_1_3.dat")


def xyz(x, y, z=0):
    return "[ %d %d %d ]" % (x, y, z)


CYLINDER = "[ CILINDRO [ .R 10 .H 40 ] ]"

# ---------------------------------------------------------------------------
# mis_1_1.dat: the mission's opening and the objects before the Green Beret.


def mission_opening():
    return [
        "[",
        ".NOMBRE ADIVINA_QUIEN_VIENE_ESTA_NOCHE",
        ".MAPA MAPA0001",
        ".VERSION 2",
        ".DIFICULTAD 2",
        ".CLIMA [ .HORA NOCHE .LLUVIA NO .NIEBLA 20 ]",
        ".LUZAMBIENTE [ .R 40 .G 48 .B 80 ]",
        ".LIMITES [ 0 0 4096 4096 ]",
        ".CAMARA [",
        ".XYZ " + xyz(260, 3420),
        ".ZOOM 2",
        ".VELOCIDAD 12",
        ".LIMITES [ 64 64 4032 4032 ]",
        "]",
        ".MUSICA [",
        "[ .TOKEN MUS_CALMA .FICHERO MUS0003.WAV .BUCLE SI ]",
        "[ .TOKEN MUS_ALARMA .FICHERO MUS0007.WAV .BUCLE SI ]",
        "[ .TOKEN MUS_FINAL .FICHERO MUS0011.WAV .BUCLE NO ]",
        "]",
        ".SONIDOS [",
        "[ .TOKEN SND_GRILLOS .FICHERO AMB0012.WAV .VOL 60 ]",
        "[ .TOKEN SND_RIO .FICHERO AMB0020.WAV .VOL 45 ]",
        "[ .TOKEN SND_GENERADOR .FICHERO AMB0031.WAV .VOL 70 ]",
        "[ .TOKEN SND_SIRENA .FICHERO ALA0002.WAV .VOL 100 ]",
        "[ .TOKEN SND_MOTOR .FICHERO VEH0004.WAV .VOL 80 ]",
        "]",
        ".ZONASAGUA [",
        "[ .TOKEN RIO_NORTE .POLIGONO [",
        "[ 0 620 0 ] [ 900 560 0 ] [ 1700 610 0 ]",
        "[ 2600 540 0 ] [ 4096 600 0 ] [ 4096 780 0 ]",
        "[ 2600 720 0 ] [ 1700 790 0 ] [ 0 800 0 ]",
        "] .CORRIENTE 3 ]",
        "]",
        ".OBJETOS [",
    ]


# Common actions of an allied soldier, then each one's own.
COMMON_ALLIED_ACTIONS = [
    "[ acMuerte [ .CARISMA 999 ] ]",
    "[ acUsaHab [ .CARISMA 300 ] ]",
    "[ auUsarVehiculo [ .CARISMA 200 ] ]",
    "[ auBeHome [ .CARISMA 200 ] ]",
    "[ auGoto [ .CARISMA 200 ] ]",
    "[ acPisar [ .CARISMA 1 ] ]",
    "[ AcDetenido [ .CARISMA 100 ] ]",
]

ALLIES = [
    {
        "token": "ARTIFICIERO",
        "xyz": (208, 3602),
        "angle": 120,
        "anim": "ZAPADOR",
        "actions": [
            "[ auColocarBomba [ .CARISMA 200 .BOMBAS 2 ] ]",
            "[ auColocarTrampa [ .CARISMA 200 .TRAMPAS 3 ] ]",
            "[ auDetectarMinas [ .CARISMA 200 .RADIO 90 ] ]",
            "[ auCortarAlambre [ .CARISMA 200 ] ]",
            "[ auDisparar [",
            ".CARISMA 200",
            ".ARMAS [ PISTOLA GRANADA ]",
            ".GRANADAS 4",
            ".MUNPISTOLA 16",
            "] ]",
        ],
        "elements": [
            "[ .CLASS MACRO .MACRO BOMBARELOJ .TOKEN BOMBAUNO ]",
            "[ .CLASS MACRO .MACRO BOMBARELOJ .TOKEN BOMBADOS ]",
        ],
    },
    {
        "token": "CONDUCTOR",
        "xyz": (96, 3488),
        "angle": 90,
        "anim": "CHOFER",
        "actions": [
            "[ auConducir [ .CARISMA 250 .MARCHAS 4 ] ]",
            "[ auReparar [ .CARISMA 200 ] ]",
            "[ auColocarTrampa [ .CARISMA 200 .TRAMPAS 1 ] ]",
            "[ auDisparar [",
            ".CARISMA 200",
            ".ARMAS [ PISTOLA METRALLETA ]",
            ".MUNPISTOLA 16",
            ".MUNMETRA 60",
            "] ]",
        ],
        "elements": [],
    },
    {
        "token": "BUCEADOR",
        "xyz": (62, 3660),
        "angle": 45,
        "anim": "MARINO",
        "actions": [
            "[ auNadar [ .CARISMA 200 .PULMON 300 ] ]",
            "[ auBucear [ .CARISMA 200 .PROFUNDIDAD 2 ] ]",
            "[ auLanzarArpon [ .CARISMA 200 .ARPONES 6 ] ]",
            "[ auHincharBote [ .CARISMA 200 ] ]",
            "[ auDisparar [",
            ".CARISMA 200",
            ".ARMAS [ PISTOLA ARPON ]",
            ".MUNPISTOLA 12",
            "] ]",
        ],
        "elements": [
            "[ .CLASS MACRO .MACRO BOTENEUMATICO .TOKEN BOTEUNO ]",
        ],
    },
    {
        "token": "FRANCOTIRADOR",
        "xyz": (300, 3710),
        "angle": 30,
        "anim": "TIRADOR",
        "actions": [
            "[ auApuntarLejos [ .CARISMA 250 .ALCANCE 900 ] ]",
            "[ auCoger [ .CARISMA 200 .FLAGSRECOGER FL_BALASFRANCOT ] ]",
            "[ auEscalar [ .CARISMA 200 .ESCALAMUROS NO ] ]",
            "[ auDisparar [",
            ".CARISMA 200",
            ".ARMAS [ PISTOLA RIFLE ]",
            ".MUNMIRILLA 5",
            ".MUNPISTOLA 12",
            "] ]",
        ],
        "elements": [],
    },
    {
        "token": "ESPIA",
        "xyz": (372, 3540),
        "angle": 180,
        "anim": "AGENTE",
        "actions": [
            "[ auDisfrazar [ .CARISMA 250 .UNIFORME OFICIAL ] ]",
            "[ auDistraer [ .CARISMA 200 .RADIO 70 ] ]",
            "[ auInyectar [ .CARISMA 200 .DOSIS 3 ] ]",
            "[ auAcuchillar [ .CARISMA 200 ] ]",
            "[ auDisparar [",
            ".CARISMA 200",
            ".ARMAS [ PISTOLA ]",
            ".MUNPISTOLA 8",
            "] ]",
        ],
        "elements": [
            "[ .CLASS MACRO .MACRO UNIFORME .TOKEN UNIFORMEUNO ]",
        ],
    },
]


def ally_block(a):
    x, y = a["xyz"]
    lines = [
        "[",
        ".CLASS BICHOALIADO",
        ".TOKEN " + a["token"],
        ".BANDO ALIADO",
        ".XYZ " + xyz(x, y) + " .ANGULO %d" % a["angle"],
        ".VOLCOLISION " + CYLINDER,
        ".LISTAS [ EJEC CHOC VISI SELE ]",
        ".ACCIONES [",
    ]
    lines += COMMON_ALLIED_ACTIONS
    lines += a["actions"]
    lines += [
        "]",
        ".MASA 100 .SEHUNDE 1 .CONTENEDOR 1",
        ".GRAPH [ .ANIM %s .RENDERVOL %s ]" % (a["anim"], CYLINDER),
        ".ORGANOS [ .MOTOR [ MotorAliado [ ] ] ]",
        ".OCLU 0 .DETECTAEXPLOSION 0",
    ]
    if a["elements"]:
        lines.append(".ELEMENTOS [")
        lines += a["elements"]
        lines.append("]")
    lines += [".NOAGACHA 0", "]"]
    return lines


# Enemy soldiers: token, kind, position, angle, patrol (offsets from the
# position, walked in a loop) or None for a sentry who only turns.
ENEMIES = [
    ("SOLDADO01", "SOLDADO", (1180, 3020), 270, [(0, 0), (160, 0), (160, -140), (0, -140)]),
    ("SOLDADO02", "SOLDADO", (1420, 2860), 180, [(0, 0), (-220, 40), (-300, 180)]),
    ("SOLDADO03", "SOLDADO", (1760, 2480), 90, None),
    ("SOLDADO04", "SOLDADO", (1980, 2300), 0, [(0, 0), (0, 240), (120, 320), (240, 240), (240, 0)]),
    ("CENTINELA01", "CENTINELA", (2240, 1920), 225, None),
    ("CENTINELA02", "CENTINELA", (2520, 1880), 315, None),
    ("SOLDADO05", "SOLDADO", (2700, 1540), 135, [(0, 0), (-180, 0), (-180, 200), (0, 200)]),
    ("OFICIAL01", "OFICIAL", (2940, 1320), 90, [(0, 0), (100, -60), (200, 0)]),
    ("SOLDADO06", "SOLDADO", (3180, 1100), 270, [(0, 0), (0, -180), (-140, -260)]),
    ("SOLDADO07", "SOLDADO", (3420, 940), 180, None),
    ("CENTINELA03", "CENTINELA", (3300, 700), 0, None),
    ("SOLDADO08", "SOLDADO", (3640, 880), 45, [(0, 0), (180, 60), (260, 220), (80, 160)]),
]

ENEMY_KINDS = {
    # kind: (weapon, ammunition, aim, vision cone, reach, near reach, animation)
    "SOLDADO": ("FUSIL", 40, 55, 70, 320, 110, "WEHRMACHT"),
    "CENTINELA": ("FUSIL", 30, 65, 60, 380, 120, "GUARDIA"),
    "OFICIAL": ("PISTOLA", 16, 45, 80, 280, 100, "OFICIALSS"),
}


def point_lines(points, per_line=3):
    lines = []
    for i in range(0, len(points), per_line):
        lines.append(" ".join(xyz(x, y) for x, y in points[i:i + per_line]))
    return lines


def enemy_block(e, number):
    token, kind, (x, y), angle, patrol = e
    weapon, ammo, aim, cone, reach, near, anim = ENEMY_KINDS[kind]
    lines = [
        "[",
        ".CLASS BICHOALEMAN",
        ".TOKEN " + token,
        ".BANDO ALEMAN",
        ".XYZ " + xyz(x, y) + " .ANGULO %d" % angle,
        ".VOLCOLISION " + CYLINDER,
        ".LISTAS [ EJEC CHOC VISI ]",
        ".ARMA %s .MUNICION %d .PUNTERIA %d" % (weapon, ammo, aim),
        ".VISION [ .CONO %d .ALCANCE %d .CERCA %d ]" % (cone, reach, near),
        ".OIDO [ .RADIO %d .UMBRAL 3 ]" % (near + 40),
    ]
    if patrol:
        points = [(x + dx, y + dy) for dx, dy in patrol]
        # Stops: the guard waits at the first and the farthest point.
        waits = ["0"] * len(points)
        waits[0] = str(40 + 10 * (number % 4))
        waits[len(points) // 2] = str(30 + 15 * (number % 3))
        lines += [".RUTA [ .TIPO CICLICA .PUNTOS ["]
        lines += point_lines(points)
        lines += ["] .ESPERAS [ " + " ".join(waits) + " ] ]"]
    else:
        turns = [angle, (angle + 90) % 360, angle, (angle + 270) % 360]
        lines += [
            ".RUTA [ .TIPO QUIETO ]",
            ".GIROS [ " + " ".join(str(t) for t in turns) + " ]",
            ".PAUSAGIRO %d" % (60 + 20 * (number % 3)),
        ]
    lines += [
        ".MASA 100 .SEHUNDE 1",
        ".GRAPH [ .ANIM %s .RENDERVOL %s ]" % (anim, CYLINDER),
        ".ORGANOS [ .MOTOR [ MotorAleman [",
        ".ALARMA 1 .PERSIGUE %d .AVISA %d" % (1 if kind != "CENTINELA" else 0, 1),
        "] ] ]",
    ]
    if kind == "OFICIAL":
        lines += [
            ".ELEMENTOS [",
            "[ .CLASS MACRO .MACRO LLAVE .TOKEN LLAVEALMACEN ]",
            "[ .CLASS MACRO .MACRO TABACO .TOKEN TABACOUNO ]",
            "]",
        ]
    lines.append("]")
    return lines


VEHICLES = [
    ("CAMION01", "OPEL", (3080, 480), 90, 6, 100),
    ("MOTO01", "BMWSIDECAR", (2860, 1660), 180, 2, 60),
    ("COCHE01", "KUBELWAGEN", (1560, 2720), 270, 4, 35),
]


def vehicle_block(v):
    token, model, (x, y), angle, seats, fuel = v
    return [
        "[",
        ".CLASS VEHICULO",
        ".TOKEN " + token,
        ".MODELO " + model,
        ".XYZ " + xyz(x, y) + " .ANGULO %d" % angle,
        ".VOLCOLISION [ CAJA [ .X 60 .Y 28 .H 30 ] ]",
        ".PLAZAS %d .COMBUSTIBLE %d" % (seats, fuel),
        ".CONDUCTORES [ CONDUCTOR ESPIA ]",
        ".GRAPH [ .ANIM %s .SOMBRA SI ]" % model,
        ".SONIDO SND_MOTOR .BLINDAJE %d" % (2 if seats > 4 else 1),
        "]",
    ]


DOORS = [
    ("PUERTA01", (1320, 2940), 0, "NO", "NINGUNA"),
    ("PUERTA02", (2100, 2060), 90, "NO", "NINGUNA"),
    ("PUERTA03", (2380, 1760), 90, "SI", "LLAVEALMACEN"),
    ("PUERTA04", (2980, 1240), 180, "NO", "NINGUNA"),
    ("PUERTA05", (3360, 820), 270, "SI", "NINGUNA"),
    ("VERJA01", (3000, 620), 0, "SI", "NINGUNA"),
]


def door_block(d):
    token, (x, y), angle, closed, key = d
    return [
        "[ .CLASS PUERTA .TOKEN " + token,
        ".XYZ " + xyz(x, y) + " .ANGULO %d" % angle,
        ".CERRADA %s .LLAVE %s" % (closed, key),
        ".VOLCOLISION [ CAJA [ .X 24 .Y 4 .H 48 ] ]",
        ".GRAPH [ .ANIM %s ] ]" % ("VERJA" if token.startswith("VERJA") else "PUERTAMADERA"),
    ]


PROPS = [
    ("BARRIL01", "BARRIL", (1240, 3100), "SI", []),
    ("BARRIL02", "BARRIL", (1262, 3116), "SI", []),
    ("BARRIL03", "BARRIL", (2640, 1460), "SI", []),
    ("CAJA01", "CAJAMADERA", (1800, 2400), "NO", ["BOTIQUIN"]),
    ("CAJA02", "CAJAMADERA", (2460, 1820), "NO", ["GRANADAS", "MUNICION"]),
    ("CAJA03", "CAJAMADERA", (3500, 980), "NO", []),
    ("SACOS01", "SACOSTERRERO", (2300, 1960), "NO", []),
    ("SACOS02", "SACOSTERRERO", (3260, 760), "NO", []),
    ("FAROLA01", "FAROLA", (2080, 2120), "NO", []),
    ("FAROLA02", "FAROLA", (3040, 560), "NO", []),
    ("GENERADOR01", "GENERADOR", (2560, 1620), "SI", []),
    ("ALAMBRADA01", "ALAMBRADA", (2820, 700), "NO", []),
]


def prop_block(p):
    token, anim, (x, y), explodes, contents = p
    lines = [
        "[ .CLASS DECORADO .TOKEN " + token,
        ".XYZ " + xyz(x, y) + " .EXPLOTA " + explodes,
        ".GRAPH [ .ANIM %s .SOMBRA SI ]" % anim,
    ]
    if contents:
        lines.append(".CONTENEDOR 1 .ELEMENTOS [")
        for n, item in enumerate(contents, 1):
            lines.append("[ .CLASS MACRO .MACRO %s .TOKEN %s%02d ]" % (item, item, n))
        lines.append("]")
    lines[-1] += " ]"
    return lines


def piece1():
    lines = mission_opening()
    for a in ALLIES:
        lines += ally_block(a)
    for n, e in enumerate(ENEMIES):
        lines += enemy_block(e, n)
    for v in VEHICLES:
        lines += vehicle_block(v)
    for d in DOORS:
        lines += door_block(d)
    for p in PROPS:
        lines += prop_block(p)
    return lines


# ---------------------------------------------------------------------------
# mis_1_2.dat: end of the objects, triggers and goals, the other commandos'
# interface blocks.

INTERFACES = [
    ("ARTIFICIERO", "CARA0002.RLE", [
        "IT_MANO", "IT_PISTOLA", "IT_BOMBARELOJ", "IT_TRAMPA",
        "IT_GRANADA", "IT_DETECTOR", "IT_ALICATES", ("IT_BOMBAREMOTA", "NO"),
    ]),
    ("CONDUCTOR", "CARA0003.RLE", [
        "IT_MANO", "IT_PISTOLA", "IT_METRALLETA", "IT_TRAMPA",
        "IT_LLAVEINGLESA", ("IT_BAZOOKA", "NO"),
    ]),
    ("BUCEADOR", "CARA0004.RLE", [
        "IT_MANO", "IT_PISTOLA", "IT_ARPON", "IT_BOTE",
        "IT_EQUIPOBUCEO", ("IT_CUCHILLO", "NO"),
    ]),
    ("FRANCOTIRADOR", "CARA0005.RLE", [
        "IT_MANO", "IT_PISTOLA", "IT_RIFLE", "IT_PRISMATICOS",
        ("IT_BALASFRANCOT", "NO"),
    ]),
    ("ESPIA", "CARA0006.RLE", [
        "IT_MANO", "IT_PISTOLA", "IT_UNIFORME", "IT_JERINGA",
        "IT_DISTRAER", ("IT_VENENO", "NO"),
    ]),
]


def interface_block(token, face, items):
    lines = [
        "[ SUBINTERFACEALIADO [",
        ".TOKEN " + token,
        ".CARETO " + face,
        ".ITEMS [",
    ]
    for item in items:
        if isinstance(item, tuple):
            lines.append("[ .TOKEN %s .DISPONIBLE %s ]" % item)
        else:
            lines.append("[ .TOKEN %s ]" % item)
    lines.append("] ] ]")
    return lines


def piece2():
    lines = [
        "]",
        ".DISPARADORES [",
        "[ .TOKEN DIS_ALARMA .TIPO ALARMA",
        ".ACCION [ REFUERZOS .DESDE " + xyz(3900, 400) + " ]",
        ".GRUPO [ SOLDADO07 SOLDADO08 OFICIAL01 ] ]",
        "[ .TOKEN DIS_PUENTE .TIPO ZONA",
        ".ZONA [ 1500 560 1760 820 ]",
        ".ACCION [ SONIDO .TOKEN SND_SIRENA ] ]",
        "[ .TOKEN DIS_GENERADOR .TIPO DESTRUIDO",
        ".OBJETO GENERADOR01",
        ".ACCION [ APAGAR .LUCES [ FAROLA01 FAROLA02 ] ] ]",
        "]",
        ".OBJETIVOS [",
        "[ .TOKEN OBJ_CAMION .TEXTO TXT0101 .TIPO LLEGAR",
        ".OBJETO CAMION01 .ZONA [ 3000 400 3200 560 ] ]",
        "[ .TOKEN OBJ_GENERADOR .TEXTO TXT0102 .TIPO DESTRUIR",
        ".OBJETO GENERADOR01 ]",
        "[ .TOKEN OBJ_VIVOS .TEXTO TXT0103 .TIPO SOBREVIVIR",
        ".BANDO ALIADO ]",
        "]",
        ".BRIEFING [ .TEXTO TXT0100 .IMAGEN BRF0001.RLE ]",
        ".INTERFAZ [",
    ]
    for token, face, items in INTERFACES:
        lines += interface_block(token, face, items)
    return lines


# ---------------------------------------------------------------------------
# mis_1_3.dat: end of the interface blocks and of the mission.


def piece3():
    return [
        "]",
        ".FINAL [ .VICTORIA SIGUIENTE .DERROTA REPETIR ]",
        ".TIEMPOLIMITE 0",
        "]",
    ]


# ---------------------------------------------------------------------------
# Checks.


class Fault(Exception):
    pass


def check_piece_text(name, lines):
    """The bytes the program and the game expect: plain ASCII, no tabs, single
    spaces, brackets set apart, no empty or padded lines."""
    for n, line in enumerate(lines, 1):
        where = "%s line %d" % (name, n)
        if not line:
            raise Fault("%s: empty line" % where)
        if any(ord(c) < 32 or ord(c) > 126 for c in line):
            raise Fault("%s: not printable ASCII" % where)
        if line != line.strip() or "  " in line:
            raise Fault("%s: stray spaces" % where)
        for i, c in enumerate(line):
            if c in "[]":
                if i > 0 and line[i - 1] != " " or i + 1 < len(line) and line[i + 1] != " ":
                    raise Fault("%s: bracket touches a neighbour" % where)


def check(pieces):
    for name, lines in zip(PIECE_NAMES, pieces):
        check_piece_text(name, lines)


# ---------------------------------------------------------------------------


def encode(lines):
    return "".join(line + "\r\n" for line in lines).encode("ascii")


def main(argv):
    if len(argv) > 2 or (len(argv) == 2 and argv[1] != "--check"):
        sys.stderr.write("usage: %s [--check]\n" % argv[0])
        return 2
    pieces = (piece1(), piece2(), piece3())
    try:
        check(pieces)
    except Fault as fault:
        sys.stderr.write("make_standin_mission: %s\n" % fault)
        return 1

    outputs = [(FOLDER / name, encode(lines)) for name, lines in zip(PIECE_NAMES, pieces)]
    if len(argv) == 2:
        stale = [p.name for p, data in outputs if not p.is_file() or p.read_bytes() != data]
        if stale:
            sys.stderr.write("make_standin_mission: out of date: %s\n" % ", ".join(stale))
            return 1
        return 0

    FOLDER.mkdir(exist_ok=True)
    for path, data in outputs:
        temp = path.with_name(path.name + ".new")
        temp.write_bytes(data)
        os.replace(temp, path)
    for (path, data), lines in zip(outputs, pieces):
        print("%s: %d lines, %d bytes" % (path.relative_to(REPO), len(lines), len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
