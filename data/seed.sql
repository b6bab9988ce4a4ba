-- The library the program ships with: categories, script types and ready-made scripts.
-- Run after schema.sql by korvalis-mkdb. Texts keep real line ends (\n) inside literals.
BEGIN;

INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (1, 0, 'Efectos de texto',
    'Textos que se escriben solos, rótulos en movimiento y colores cambiantes para dar vida a titulares y avisos.');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (2, 1, 'Texto animado',
    'Textos que aparecen o se mueven por la página.');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (3, 2, 'Marquesinas y rótulos',
    'Franjas con texto en movimiento, la alternativa moderna a la antigua etiqueta «marquee».');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (4, 1, 'Estilos y colores',
    'Efectos de color sobre títulos y palabras destacadas.');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (5, 0, 'Imágenes',
    'Galerías, imágenes aleatorias y botones que cambian al pasar el ratón. Las imágenes de ejemplo están en la carpeta «resources».');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (6, 5, 'Galerías',
    'Colecciones de fotos con miniaturas o con una imagen distinta en cada visita.');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (7, 5, 'Botones e imágenes cambiantes',
    'Imágenes que cambian cuando el visitante pasa el ratón por encima (rollover).');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (8, 0, 'Formularios',
    'Validación de campos antes de enviar, contadores y pequeñas calculadoras.');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (9, 8, 'Validación',
    'Comprobaciones que evitan enviar formularios incompletos o con datos erróneos.');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (10, 9, 'Campos de texto',
    'Ayudas para los campos de texto: avisos de error junto a cada campo y límites de longitud.');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (11, 8, 'Calculadoras',
    'Cálculos rápidos dentro de la página, sin recargarla.');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (12, 0, 'Navegación',
    'Menús y ayudas para moverse por la página.');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (13, 12, 'Menús',
    'Menús desplegables que funcionan con el ratón y en pantallas táctiles.');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (14, 12, 'Desplazamiento',
    'Ayudas para páginas largas.');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (15, 0, 'Fecha y hora',
    'Relojes, fechas en español y cuentas atrás.');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (16, 15, 'Relojes',
    'Relojes que muestran la hora del ordenador del visitante.');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (17, 15, 'Calendarios y fechas',
    'La fecha del día escrita en español y otros cálculos con fechas.');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (18, 17, 'Cuentas atrás',
    'Contadores hasta una fecha señalada: lanzamientos, ofertas, fiestas.');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (19, 0, 'Ventanas',
    'Ventanas emergentes y avisos.');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (20, 19, 'Ventanas emergentes',
    'Ventanas nuevas del navegador, del tamaño y en la posición que usted elija.');
INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (21, 0, 'Utilidades',
    'Pequeñas herramientas útiles para los visitantes de su web.');

INSERT INTO tipos (id, nombre) VALUES (1, 'Efecto');
INSERT INTO tipos (id, nombre) VALUES (2, 'Utilidad');
INSERT INTO tipos (id, nombre) VALUES (3, 'Formulario');
INSERT INTO tipos (id, nombre) VALUES (4, 'Navegación');
INSERT INTO tipos (id, nombre) VALUES (5, 'Reloj');
INSERT INTO tipos (id, nombre) VALUES (6, 'Imagen');
INSERT INTO tipos (id, nombre) VALUES (7, 'Ventana');

-- Reloj digital
INSERT INTO scripts (id, id_categoria, id_tipo, nombre, navegadores, script_head, script_body,
                     script_html, script_ayuda, nombre_fichero) VALUES (
1, 16, 5, 'Reloj digital', 'Chrome, Firefox, Edge, Safari, Opera',
'<script>
// Reloj digital: muestra la hora del ordenador del visitante y la actualiza cada segundo.
function relojDosCifras(numero) {
  return (numero < 10 ? ''0'' : '''') + numero;
}
function mostrarHoraReloj() {
  const ahora = new Date();
  document.getElementById(''reloj'').textContent =
    relojDosCifras(ahora.getHours()) + '':'' + relojDosCifras(ahora.getMinutes()) + '':'' +
    relojDosCifras(ahora.getSeconds());
}
function iniciarReloj() {
  mostrarHoraReloj();
  setInterval(mostrarHoraReloj, 1000);
}
</script>
<style>
#reloj { display: inline-block; padding: 8px 16px; border-radius: 6px; background: #111;
         color: #3f3; font: bold 32px ''Courier New'', monospace; letter-spacing: 2px; }
</style>',
'onload="iniciarReloj()"',
'<p style="font-family: Arial;">La hora actual es:</p>
<div id="reloj">--:--:--</div>',
'Muestra la hora (horas, minutos y segundos) y la actualiza cada segundo.

Cómo usarlo:
1. Copie el bloque de la cabecera dentro de <head>.
2. Añada onload="iniciarReloj()" a la etiqueta <body>.
3. Coloque <div id="reloj"></div> donde quiera ver la hora.

Los colores y el tamaño se cambian en el bloque <style>.',
NULL);

-- Fecha en español
INSERT INTO scripts (id, id_categoria, id_tipo, nombre, navegadores, script_head, script_body,
                     script_html, script_ayuda, nombre_fichero) VALUES (
2, 17, 2, 'Fecha en español', 'Chrome, Firefox, Edge, Safari, Opera',
'<script>
// Escribe la fecha de hoy en español, por ejemplo: "Hoy es lunes, 3 de marzo de 2025".
function mostrarFechaEspanol() {
  const dias = [''domingo'', ''lunes'', ''martes'', ''miércoles'', ''jueves'', ''viernes'', ''sábado''];
  const meses = [''enero'', ''febrero'', ''marzo'', ''abril'', ''mayo'', ''junio'', ''julio'', ''agosto'',
                 ''septiembre'', ''octubre'', ''noviembre'', ''diciembre''];
  const hoy = new Date();
  document.getElementById(''fecha'').textContent = ''Hoy es '' + dias[hoy.getDay()] + '', '' +
    hoy.getDate() + '' de '' + meses[hoy.getMonth()] + '' de '' + hoy.getFullYear();
}
</script>',
'onload="mostrarFechaEspanol()"',
'<p id="fecha" style="font: 18px Arial; color: #1f5fa8;"></p>',
'Escribe la fecha del día con el nombre del día de la semana y del mes en español.

Añada onload="mostrarFechaEspanol()" a la etiqueta <body> y ponga un elemento con id="fecha" donde quiera que aparezca la fecha.',
NULL);

-- Cuenta atrás
INSERT INTO scripts (id, id_categoria, id_tipo, nombre, navegadores, script_head, script_body,
                     script_html, script_ayuda, nombre_fichero) VALUES (
3, 18, 5, 'Cuenta atrás', 'Chrome, Firefox, Edge, Safari, Opera',
'<script>
// Cuenta atrás hasta la fecha del atributo data-fecha (AAAA-MM-DD HH:MM).
// Sin fecha, cuenta hasta el próximo 1 de enero.
function iniciarCuentaAtras() {
  const caja = document.getElementById(''cuenta-atras'');
  let destino = new Date((caja.getAttribute(''data-fecha'') || '''').replace('' '', ''T''));
  if (isNaN(destino.getTime())) {
    destino = new Date(new Date().getFullYear() + 1, 0, 1);
  }
  let temporizador = null;
  function actualizar() {
    let resto = Math.max(0, Math.floor((destino - new Date()) / 1000));
    if (resto === 0) {
      caja.textContent = ''¡Ya ha llegado!'';
      clearInterval(temporizador);
      return;
    }
    const dias = Math.floor(resto / 86400);
    resto %= 86400;
    const horas = Math.floor(resto / 3600);
    resto %= 3600;
    const minutos = Math.floor(resto / 60);
    const segundos = resto % 60;
    caja.textContent = dias + '' días, '' + horas + '' h '' + minutos + '' min '' + segundos + '' s'';
  }
  temporizador = setInterval(actualizar, 1000);
  actualizar();
}
</script>',
'onload="iniciarCuentaAtras()"',
'<p style="font-family: Arial;">Faltan para la fecha señalada:</p>
<div id="cuenta-atras" data-fecha="" style="font: bold 22px Arial; color: #c0392b;"></div>',
'Muestra los días, horas, minutos y segundos que faltan hasta una fecha.

Escriba la fecha en el atributo data-fecha del <div>, con el formato AAAA-MM-DD HH:MM, por ejemplo data-fecha="2030-06-21 09:00". Si lo deja vacío, cuenta hasta el próximo Año Nuevo.
Al llegar la fecha muestra "¡Ya ha llegado!".',
NULL);

-- Texto máquina de escribir
INSERT INTO scripts (id, id_categoria, id_tipo, nombre, navegadores, script_head, script_body,
                     script_html, script_ayuda, nombre_fichero) VALUES (
4, 2, 1, 'Texto máquina de escribir', 'Chrome, Firefox, Edge, Safari, Opera',
'<script>
// Escribe el texto letra a letra, como una máquina de escribir.
const maquinaTexto = ''Bienvenido a mi página web. Aquí encontrará trucos y novedades cada semana.'';
const maquinaVelocidad = 80; // milisegundos por letra
function escribirTexto() {
  const destino = document.getElementById(''maquina'');
  let posicion = 0;
  destino.textContent = '''';
  const temporizador = setInterval(function () {
    posicion++;
    destino.textContent = maquinaTexto.substring(0, posicion);
    if (posicion >= maquinaTexto.length) {
      clearInterval(temporizador);
    }
  }, maquinaVelocidad);
}
</script>
<style>
#maquina { font: 18px ''Courier New'', monospace; border-right: 2px solid #333; padding-right: 4px; }
</style>',
'onload="escribirTexto()"',
'<p><span id="maquina"></span></p>',
'El texto aparece letra a letra, como si se estuviera escribiendo.

Cambie el texto en maquinaTexto y la velocidad en maquinaVelocidad (milisegundos entre letra y letra). Se pone en marcha con onload="escribirTexto()" en la etiqueta <body>.',
NULL);

-- Marquesina
INSERT INTO scripts (id, id_categoria, id_tipo, nombre, navegadores, script_head, script_body,
                     script_html, script_ayuda, nombre_fichero) VALUES (
5, 3, 1, 'Marquesina', 'Chrome, Firefox, Edge, Safari, Opera',
'<script>
// Hace pasar un texto de derecha a izquierda dentro de una franja.
// Sustituye a la antigua etiqueta <marquee>, que ya no forma parte de HTML.
function iniciarMarquesina() {
  const franja = document.getElementById(''marquesina'');
  const texto = franja.querySelector(''span'');
  let posicion = franja.clientWidth;
  setInterval(function () {
    posicion -= 2;
    if (posicion < -texto.offsetWidth) {
      posicion = franja.clientWidth;
    }
    texto.style.transform = ''translateX('' + posicion + ''px)'';
  }, 30);
}
</script>
<style>
#marquesina { overflow: hidden; white-space: nowrap; padding: 6px 0; background: #fffbe6;
              border: 1px solid #e0c060; font: 16px Arial; }
#marquesina span { display: inline-block; }
</style>',
'onload="iniciarMarquesina()"',
'<div id="marquesina"><span>Ofertas de la semana: envío gratis en pedidos de más de 30 € · Nuevos scripts cada mes · ¡Gracias por su visita!</span></div>',
'Una franja con un texto que se desplaza continuamente de derecha a izquierda.

Escriba su texto dentro del <span> de la franja. La velocidad se cambia con el número de píxeles que avanza en cada paso (2) y el intervalo en milisegundos (30).',
NULL);

-- Texto con colores cambiantes
INSERT INTO scripts (id, id_categoria, id_tipo, nombre, navegadores, script_head, script_body,
                     script_html, script_ayuda, nombre_fichero) VALUES (
6, 4, 1, 'Texto con colores cambiantes', 'Chrome, Firefox, Edge, Safari, Opera',
'<script>
// Cambia el color de cada letra del título en un ciclo continuo de colores.
function iniciarArcoIris() {
  const titulo = document.getElementById(''arcoiris'');
  const letras = Array.from(titulo.textContent);
  titulo.textContent = '''';
  const piezas = letras.map(function (letra) {
    const pieza = document.createElement(''span'');
    pieza.textContent = letra;
    titulo.appendChild(pieza);
    return pieza;
  });
  let giro = 0;
  setInterval(function () {
    giro = (giro + 10) % 360;
    piezas.forEach(function (pieza, i) {
      pieza.style.color = ''hsl('' + ((i * 20 + giro) % 360) + '', 80%, 45%)'';
    });
  }, 100);
}
</script>',
'onload="iniciarArcoIris()"',
'<h2 id="arcoiris" style="font-family: Arial;">¡Feliz cumpleaños!</h2>',
'Cada letra del título toma un color distinto y los colores van rotando como un arco iris.

Escriba su texto en el elemento con id="arcoiris" y añada onload="iniciarArcoIris()" a la etiqueta <body>.',
NULL);

-- Validación de formulario
INSERT INTO scripts (id, id_categoria, id_tipo, nombre, navegadores, script_head, script_body,
                     script_html, script_ayuda, nombre_fichero) VALUES (
7, 10, 3, 'Validación de formulario', 'Chrome, Firefox, Edge, Safari, Opera',
'<script>
// Comprueba los campos antes de enviar el formulario y muestra los errores junto a cada campo.
function validarFormulario(formulario) {
  let correcto = true;
  function marcar(campo, mensaje) {
    document.getElementById(''error-'' + campo.name).textContent = mensaje;
    if (mensaje) {
      correcto = false;
    }
  }
  marcar(formulario.nombre, formulario.nombre.value.trim() === '''' ? ''Escriba su nombre.'' : '''');
  marcar(formulario.correo, /^[^\s@]+@[^\s@]+\.[^\s@]+$/.test(formulario.correo.value.trim())
    ? '''' : ''La dirección de correo no es válida.'');
  const edad = formulario.edad.value.trim();
  marcar(formulario.edad, /^\d{1,3}$/.test(edad) && Number(edad) >= 18
    ? '''' : ''Debe ser mayor de edad (18 años o más).'');
  if (correcto) {
    alert(''Formulario correcto. ¡Gracias!'');
  }
  return correcto;
}
</script>
<style>
.error-campo { margin-left: 8px; color: #c0392b; font: 13px Arial; }
.formulario-validado label { display: inline-block; width: 150px; font: 14px Arial; }
</style>',
'',
'<form class="formulario-validado" action="#" onsubmit="return validarFormulario(this)">
  <p><label for="nombre">Nombre:</label><input type="text" id="nombre" name="nombre"><span class="error-campo" id="error-nombre"></span></p>
  <p><label for="correo">Correo electrónico:</label><input type="text" id="correo" name="correo"><span class="error-campo" id="error-correo"></span></p>
  <p><label for="edad">Edad:</label><input type="text" id="edad" name="edad" size="3"><span class="error-campo" id="error-edad"></span></p>
  <p><input type="submit" value="Enviar"></p>
</form>',
'Antes de enviar el formulario comprueba que el nombre no está vacío, que el correo tiene forma de dirección válida y que la edad es de 18 años o más. Los errores aparecen en rojo junto a cada campo y el formulario no se envía hasta que todo es correcto.

Ponga la dirección de su programa de recepción en el atributo action del formulario. Cada campo necesita un <span> con id="error-" seguido del nombre del campo.',
NULL);

-- Contador de caracteres
INSERT INTO scripts (id, id_categoria, id_tipo, nombre, navegadores, script_head, script_body,
                     script_html, script_ayuda, nombre_fichero) VALUES (
8, 10, 3, 'Contador de caracteres', 'Chrome, Firefox, Edge, Safari, Opera',
'<script>
// Cuenta los caracteres que quedan en un área de texto con límite (atributo maxlength).
function contarCaracteres(area) {
  const quedan = area.maxLength - area.value.length;
  const aviso = document.getElementById(''contador-'' + area.id);
  aviso.textContent = ''Quedan '' + quedan + '' caracteres'';
  aviso.style.color = quedan < 20 ? ''#c0392b'' : ''#555555'';
}
</script>',
'',
'<p style="font-family: Arial;">Escriba su mensaje (máximo 140 caracteres):</p>
<textarea id="mensaje" rows="4" cols="50" maxlength="140" oninput="contarCaracteres(this)"></textarea>
<div id="contador-mensaje" style="font: 13px Arial; color: #555555;">Quedan 140 caracteres</div>',
'Muestra debajo de un área de texto cuántos caracteres quedan hasta el límite; el aviso se pone rojo cuando quedan menos de 20.

El límite es el atributo maxlength del <textarea>. El aviso es el elemento con id="contador-" seguido del id del área de texto.',
NULL);

-- Calculadora de IVA
INSERT INTO scripts (id, id_categoria, id_tipo, nombre, navegadores, script_head, script_body,
                     script_html, script_ayuda, nombre_fichero) VALUES (
9, 11, 3, 'Calculadora de IVA', 'Chrome, Firefox, Edge, Safari, Opera',
'<script>
// Calcula el IVA y el total a partir de una base imponible. Acepta coma o punto decimal.
function calcularIva() {
  const base = parseFloat(document.getElementById(''iva-base'').value.replace('','', ''.''));
  const tipo = parseFloat(document.getElementById(''iva-tipo'').value);
  const resultado = document.getElementById(''iva-resultado'');
  if (isNaN(base) || base < 0) {
    resultado.textContent = ''Escriba un importe válido.'';
    return;
  }
  const cuota = Math.round(base * tipo) / 100;
  const euros = new Intl.NumberFormat(''es-ES'', { style: ''currency'', currency: ''EUR'' });
  resultado.textContent = ''IVA: '' + euros.format(cuota) + '' · Total: '' + euros.format(base + cuota);
}
</script>',
'',
'<p style="font-family: Arial;">Base imponible: <input type="text" id="iva-base" size="10" value="100"> €
<select id="iva-tipo">
  <option value="21">21 % (general)</option>
  <option value="10">10 % (reducido)</option>
  <option value="4">4 % (superreducido)</option>
</select>
<input type="button" value="Calcular" onclick="calcularIva()"></p>
<p id="iva-resultado" style="font: bold 16px Arial;"></p>',
'Calcula la cuota de IVA y el importe total a partir de la base imponible, con los tipos general, reducido y superreducido. El resultado se redondea a céntimos y se muestra en euros con formato español.

Si los tipos cambian, basta con modificar los valores de las opciones de la lista.',
NULL);

-- Galería de imágenes con miniaturas
INSERT INTO scripts (id, id_categoria, id_tipo, nombre, navegadores, script_head, script_body,
                     script_html, script_ayuda, nombre_fichero) VALUES (
10, 6, 6, 'Galería de imágenes con miniaturas', 'Chrome, Firefox, Edge, Safari, Opera',
'<script>
// Muestra en grande la imagen de la miniatura pulsada, con su pie de foto (atributo alt).
function verImagen(miniatura) {
  const grande = document.getElementById(''galeria-grande'');
  grande.src = miniatura.src;
  grande.alt = miniatura.alt;
  document.getElementById(''galeria-pie'').textContent = miniatura.alt;
  document.querySelectorAll(''.galeria-miniatura'').forEach(function (otra) {
    otra.classList.toggle(''activa'', otra === miniatura);
  });
}
</script>
<style>
.galeria-miniatura { width: 96px; height: 60px; margin: 4px; border: 2px solid #cccccc; cursor: pointer; }
.galeria-miniatura.activa, .galeria-miniatura:hover { border-color: #1f5fa8; }
#galeria-grande { width: 320px; height: 200px; border: 1px solid #999999; }
</style>',
'',
'<img id="galeria-grande" src="resources/paisaje1.jpg" alt="Montañas al mediodía"><br>
<div id="galeria-pie" style="font: italic 14px Arial;">Montañas al mediodía</div>
<img class="galeria-miniatura activa" src="resources/paisaje1.jpg" alt="Montañas al mediodía" onclick="verImagen(this)">
<img class="galeria-miniatura" src="resources/paisaje2.jpg" alt="Atardecer junto al lago" onclick="verImagen(this)">
<img class="galeria-miniatura" src="resources/paisaje3.jpg" alt="Noche estrellada" onclick="verImagen(this)">',
'Una foto grande y una fila de miniaturas: al pulsar una miniatura su imagen pasa a verse en grande, con el texto de su atributo alt como pie de foto.

Añada tantas miniaturas como quiera con la clase galeria-miniatura y onclick="verImagen(this)". Las imágenes de ejemplo son ficheros relacionados del script y se copian junto a su página al exportarlo.',
NULL);
INSERT INTO ficheros (id, id_script, nombre) VALUES (1, 10, 'paisaje1.jpg');
INSERT INTO ficheros (id, id_script, nombre) VALUES (2, 10, 'paisaje2.jpg');
INSERT INTO ficheros (id, id_script, nombre) VALUES (3, 10, 'paisaje3.jpg');

-- Imagen aleatoria
INSERT INTO scripts (id, id_categoria, id_tipo, nombre, navegadores, script_head, script_body,
                     script_html, script_ayuda, nombre_fichero) VALUES (
11, 6, 6, 'Imagen aleatoria', 'Chrome, Firefox, Edge, Safari, Opera',
'<script>
// Al cargar la página muestra una imagen elegida al azar de la lista.
const imagenesAleatorias = [''resources/paisaje1.jpg'', ''resources/paisaje2.jpg'', ''resources/paisaje3.jpg''];
function imagenAleatoria() {
  const elegida = imagenesAleatorias[Math.floor(Math.random() * imagenesAleatorias.length)];
  document.getElementById(''imagen-aleatoria'').src = elegida;
}
</script>',
'onload="imagenAleatoria()"',
'<img id="imagen-aleatoria" src="resources/paisaje1.jpg" alt="Imagen del día" width="320" height="200">',
'Cada vez que se carga la página muestra una imagen distinta, elegida al azar de la lista imagenesAleatorias.

Añada o quite rutas de la lista; la imagen del atributo src se ve mientras se carga la página.',
NULL);
INSERT INTO ficheros (id, id_script, nombre) VALUES (4, 11, 'paisaje1.jpg');
INSERT INTO ficheros (id, id_script, nombre) VALUES (5, 11, 'paisaje2.jpg');
INSERT INTO ficheros (id, id_script, nombre) VALUES (6, 11, 'paisaje3.jpg');

-- Cambio de imagen al pasar el ratón
INSERT INTO scripts (id, id_categoria, id_tipo, nombre, navegadores, script_head, script_body,
                     script_html, script_ayuda, nombre_fichero) VALUES (
12, 7, 6, 'Cambio de imagen al pasar el ratón', 'Chrome, Firefox, Edge, Safari, Opera',
'<script>
// Cambia la imagen de un botón al pasar el ratón por encima (efecto rollover).
// La segunda imagen se carga de antemano para que el cambio sea inmediato.
const rolloverPrecarga = [''resources/boton-inicio-on.gif''].map(function (ruta) {
  const imagen = new Image();
  imagen.src = ruta;
  return imagen;
});
function cambiarImagen(imagen, ruta) {
  imagen.src = ruta;
}
</script>',
'',
'<a href="#"><img src="resources/boton-inicio.gif" alt="Inicio" width="120" height="32"
  onmouseover="cambiarImagen(this, ''resources/boton-inicio-on.gif'')"
  onmouseout="cambiarImagen(this, ''resources/boton-inicio.gif'')"></a>',
'El botón cambia de imagen al pasar el ratón por encima y vuelve a la original al salir.

Para cada botón necesita dos imágenes del mismo tamaño. Añada la segunda a la lista de rolloverPrecarga para que se cargue antes de que haga falta.',
NULL);
INSERT INTO ficheros (id, id_script, nombre) VALUES (7, 12, 'boton-inicio.gif');
INSERT INTO ficheros (id, id_script, nombre) VALUES (8, 12, 'boton-inicio-on.gif');

-- Menú desplegable
INSERT INTO scripts (id, id_categoria, id_tipo, nombre, navegadores, script_head, script_body,
                     script_html, script_ayuda, nombre_fichero) VALUES (
13, 13, 4, 'Menú desplegable', 'Chrome, Firefox, Edge, Safari, Opera',
'<script>
// Menú con submenús que se despliegan al pasar el ratón o al pulsar (también en pantallas táctiles).
function alternarSubmenu(enlace) {
  const elemento = enlace.parentNode;
  const estabaAbierto = elemento.classList.contains(''abierto'');
  document.querySelectorAll(''#menu-desplegable li.abierto'').forEach(function (li) {
    li.classList.remove(''abierto'');
  });
  if (!estabaAbierto) {
    elemento.classList.add(''abierto'');
  }
  return false;
}
</script>
<style>
#menu-desplegable, #menu-desplegable ul { list-style: none; margin: 0; padding: 0; }
#menu-desplegable > li { display: inline-block; position: relative; background: #1f5fa8; }
#menu-desplegable a { display: block; padding: 8px 16px; color: #ffffff; text-decoration: none; font: 14px Arial; }
#menu-desplegable ul { display: none; position: absolute; left: 0; top: 100%; min-width: 160px;
                       background: #2f7ad0; z-index: 10; }
#menu-desplegable li:hover > ul, #menu-desplegable li.abierto > ul { display: block; }
#menu-desplegable ul a:hover { background: #174a85; }
</style>',
'',
'<ul id="menu-desplegable">
  <li><a href="#" onclick="return alternarSubmenu(this)">Productos</a>
    <ul>
      <li><a href="#">Novedades</a></li>
      <li><a href="#">Ofertas</a></li>
    </ul>
  </li>
  <li><a href="#" onclick="return alternarSubmenu(this)">Empresa</a>
    <ul>
      <li><a href="#">Quiénes somos</a></li>
      <li><a href="#">Contacto</a></li>
    </ul>
  </li>
</ul>',
'Una barra de menú cuyos apartados despliegan sus opciones al pasar el ratón; en pantallas táctiles se abren y cierran al pulsarlos.

Cambie los textos y las direcciones (href) de los enlaces. Cada apartado con submenú lleva onclick="return alternarSubmenu(this)".',
NULL);

-- Volver arriba
INSERT INTO scripts (id, id_categoria, id_tipo, nombre, navegadores, script_head, script_body,
                     script_html, script_ayuda, nombre_fichero) VALUES (
14, 14, 4, 'Volver arriba', 'Chrome, Firefox, Edge, Safari, Opera',
'<script>
// Muestra un botón para volver al principio de la página cuando el visitante ha bajado.
function prepararVolverArriba() {
  const boton = document.getElementById(''volver-arriba'');
  function comprobar() {
    boton.style.display = window.scrollY > 200 ? ''block'' : ''none'';
  }
  window.addEventListener(''scroll'', comprobar);
  boton.addEventListener(''click'', function () {
    window.scrollTo({ top: 0, behavior: ''smooth'' });
  });
  comprobar();
}
</script>
<style>
#volver-arriba { display: none; position: fixed; right: 20px; bottom: 20px; cursor: pointer; }
</style>',
'onload="prepararVolverArriba()"',
'<p style="font-family: Arial;">Baje por la página: al pasar de cierta altura aparece en la esquina un botón para volver arriba.</p>
<div style="height: 1500px; background: linear-gradient(#ffffff, #d6e2ef);"></div>
<img id="volver-arriba" src="resources/flecha-arriba.png" alt="Volver arriba" title="Volver arriba" width="40" height="40">',
'En páginas largas, muestra en la esquina inferior derecha una flecha que lleva suavemente al principio de la página. La flecha solo aparece después de bajar 200 píxeles.

Añada onload="prepararVolverArriba()" a la etiqueta <body>. La imagen de la flecha es un fichero relacionado del script.',
NULL);
INSERT INTO ficheros (id, id_script, nombre) VALUES (9, 14, 'flecha-arriba.png');

-- Ventana emergente centrada
INSERT INTO scripts (id, id_categoria, id_tipo, nombre, navegadores, script_head, script_body,
                     script_html, script_ayuda, nombre_fichero) VALUES (
15, 20, 7, 'Ventana emergente centrada', 'Chrome, Firefox, Edge, Safari, Opera',
'<script>
// Abre una página o imagen en una ventana nueva centrada en la pantalla.
// Si el navegador bloquea la ventana, el enlace se abre en la misma.
function abrirVentanaCentrada(direccion, ancho, alto) {
  const izquierda = Math.max(0, Math.round((screen.availWidth - ancho) / 2));
  const arriba = Math.max(0, Math.round((screen.availHeight - alto) / 2));
  const ventana = window.open(direccion, ''ventana_centrada'', ''width='' + ancho + '',height='' + alto +
    '',left='' + izquierda + '',top='' + arriba + '',resizable=yes,scrollbars=yes'');
  if (ventana) {
    ventana.focus();
    return false;
  }
  return true;
}
</script>',
'',
'<p style="font-family: Arial;"><a href="resources/paisaje2.jpg" onclick="return abrirVentanaCentrada(this.href, 340, 220)">Ver la foto del atardecer en una ventana</a></p>',
'Abre el enlace en una ventana nueva del tamaño indicado y centrada en la pantalla. Si el navegador bloquea las ventanas emergentes, el enlace se abre normalmente.

Use onclick="return abrirVentanaCentrada(this.href, ANCHO, ALTO)" en cualquier enlace.',
NULL);
INSERT INTO ficheros (id, id_script, nombre) VALUES (10, 15, 'paisaje2.jpg');

-- Generador de contraseñas
INSERT INTO scripts (id, id_categoria, id_tipo, nombre, navegadores, script_head, script_body,
                     script_html, script_ayuda, nombre_fichero) VALUES (
16, 21, 2, 'Generador de contraseñas', 'Chrome, Firefox, Edge, Safari, Opera',
'<script>
// Genera contraseñas seguras con el generador aleatorio criptográfico del navegador.
function generarContrasena() {
  const pedida = parseInt(document.getElementById(''clave-longitud'').value, 10) || 12;
  const longitud = Math.min(64, Math.max(8, pedida));
  let letras = ''abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789'';
  if (document.getElementById(''clave-simbolos'').checked) {
    letras += ''!#$%&*+-=?@_'';
  }
  const azar = new Uint32Array(longitud);
  crypto.getRandomValues(azar);
  let clave = '''';
  for (let i = 0; i < longitud; i++) {
    clave += letras[azar[i] % letras.length];
  }
  document.getElementById(''clave-resultado'').value = clave;
}
</script>',
'onload="generarContrasena()"',
'<p style="font-family: Arial;">Longitud: <input type="number" id="clave-longitud" min="8" max="64" value="12" style="width: 50px;">
<label><input type="checkbox" id="clave-simbolos" checked> Incluir símbolos</label>
<input type="button" value="Generar" onclick="generarContrasena()"></p>
<p><input type="text" id="clave-resultado" size="40" readonly></p>',
'Genera contraseñas aleatorias de 8 a 64 caracteres, con o sin símbolos, usando el generador criptográfico del navegador. Se omiten las letras y números que se confunden entre sí (l, I, O, 0, 1).

La contraseña se crea en el ordenador del visitante y no se envía a ningún sitio.',
NULL);

COMMIT;
